# Empty dependencies file for query_fuzz.
# This may be replaced when dependencies are built.
