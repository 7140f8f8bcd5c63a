file(REMOVE_RECURSE
  "CMakeFiles/quorlinkcore.dir/platform/platform.cpp.o"
  "CMakeFiles/quorlinkcore.dir/platform/platform.cpp.o.d"
  "CMakeFiles/quorlinkcore.dir/report/actions.cpp.o"
  "CMakeFiles/quorlinkcore.dir/report/actions.cpp.o.d"
  "CMakeFiles/quorlinkcore.dir/report/chart.cpp.o"
  "CMakeFiles/quorlinkcore.dir/report/chart.cpp.o.d"
  "CMakeFiles/quorlinkcore.dir/report/request.cpp.o"
  "CMakeFiles/quorlinkcore.dir/report/request.cpp.o.d"
  "CMakeFiles/quorlinkcore.dir/report/scan.cpp.o"
  "CMakeFiles/quorlinkcore.dir/report/scan.cpp.o.d"
  "CMakeFiles/quorlinkcore.dir/support/datetime.cpp.o"
  "CMakeFiles/quorlinkcore.dir/support/datetime.cpp.o.d"
  "CMakeFiles/quorlinkcore.dir/support/escape.cpp.o"
  "CMakeFiles/quorlinkcore.dir/support/escape.cpp.o.d"
  "CMakeFiles/quorlinkcore.dir/support/query.cpp.o"
  "CMakeFiles/quorlinkcore.dir/support/query.cpp.o.d"
  "CMakeFiles/quorlinkcore.dir/support/settings.cpp.o"
  "CMakeFiles/quorlinkcore.dir/support/settings.cpp.o.d"
  "libquorlinkcore.a"
  "libquorlinkcore.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/quorlinkcore.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
