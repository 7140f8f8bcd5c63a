file(REMOVE_RECURSE
  "../settings_fuzz"
  "../settings_fuzz.pdb"
  "CMakeFiles/settings_fuzz.dir/settings_fuzz.cpp.o"
  "CMakeFiles/settings_fuzz.dir/settings_fuzz.cpp.o.d"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/settings_fuzz.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
