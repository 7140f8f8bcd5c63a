file(REMOVE_RECURSE
  "../charts_fuzz"
  "../charts_fuzz.pdb"
  "CMakeFiles/charts_fuzz.dir/charts_fuzz.cpp.o"
  "CMakeFiles/charts_fuzz.dir/charts_fuzz.cpp.o.d"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/charts_fuzz.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
