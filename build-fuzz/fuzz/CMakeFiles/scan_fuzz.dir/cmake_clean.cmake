file(REMOVE_RECURSE
  "../scan_fuzz"
  "../scan_fuzz.pdb"
  "CMakeFiles/scan_fuzz.dir/scan_fuzz.cpp.o"
  "CMakeFiles/scan_fuzz.dir/scan_fuzz.cpp.o.d"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/scan_fuzz.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
