# Empty dependencies file for dates_fuzz.
# This may be replaced when dependencies are built.
