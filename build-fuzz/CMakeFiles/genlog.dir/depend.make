# Empty dependencies file for genlog.
# This may be replaced when dependencies are built.
