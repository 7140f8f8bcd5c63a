file(REMOVE_RECURSE
  "libquorlinkcore.a"
)
