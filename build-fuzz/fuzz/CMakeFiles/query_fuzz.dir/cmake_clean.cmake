file(REMOVE_RECURSE
  "../query_fuzz"
  "../query_fuzz.pdb"
  "CMakeFiles/query_fuzz.dir/query_fuzz.cpp.o"
  "CMakeFiles/query_fuzz.dir/query_fuzz.cpp.o.d"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/query_fuzz.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
