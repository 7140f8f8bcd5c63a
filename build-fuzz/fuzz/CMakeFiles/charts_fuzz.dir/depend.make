# Empty dependencies file for charts_fuzz.
# This may be replaced when dependencies are built.
