# Empty dependencies file for quorlink.
# This may be replaced when dependencies are built.
