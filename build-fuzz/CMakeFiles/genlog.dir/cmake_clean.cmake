file(REMOVE_RECURSE
  "CMakeFiles/genlog.dir/tools/genlog.cpp.o"
  "CMakeFiles/genlog.dir/tools/genlog.cpp.o.d"
  "genlog"
  "genlog.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/genlog.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
