file(REMOVE_RECURSE
  "../dates_fuzz"
  "../dates_fuzz.pdb"
  "CMakeFiles/dates_fuzz.dir/dates_fuzz.cpp.o"
  "CMakeFiles/dates_fuzz.dir/dates_fuzz.cpp.o.d"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/dates_fuzz.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
