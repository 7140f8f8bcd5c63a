# Empty dependencies file for scan_fuzz.
# This may be replaced when dependencies are built.
