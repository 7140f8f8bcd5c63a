file(REMOVE_RECURSE
  "CMakeFiles/quorlink.dir/report/main.cpp.o"
  "CMakeFiles/quorlink.dir/report/main.cpp.o.d"
  "quorlink"
  "quorlink.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/quorlink.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
