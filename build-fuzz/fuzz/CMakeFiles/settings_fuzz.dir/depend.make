# Empty dependencies file for settings_fuzz.
# This may be replaced when dependencies are built.
