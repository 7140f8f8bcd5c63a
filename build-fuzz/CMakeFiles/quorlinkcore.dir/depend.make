# Empty dependencies file for quorlinkcore.
# This may be replaced when dependencies are built.
