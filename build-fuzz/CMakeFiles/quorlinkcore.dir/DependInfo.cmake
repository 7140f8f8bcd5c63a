
# Consider dependencies only in project.
set(CMAKE_DEPENDS_IN_PROJECT_ONLY OFF)

# The set of languages for which implicit dependencies are needed:
set(CMAKE_DEPENDS_LANGUAGES
  )

# The set of dependency files which are needed:
set(CMAKE_DEPENDS_DEPENDENCY_FILES
  "/work/main/platform/platform.cpp" "CMakeFiles/quorlinkcore.dir/platform/platform.cpp.o" "gcc" "CMakeFiles/quorlinkcore.dir/platform/platform.cpp.o.d"
  "/work/main/report/actions.cpp" "CMakeFiles/quorlinkcore.dir/report/actions.cpp.o" "gcc" "CMakeFiles/quorlinkcore.dir/report/actions.cpp.o.d"
  "/work/main/report/chart.cpp" "CMakeFiles/quorlinkcore.dir/report/chart.cpp.o" "gcc" "CMakeFiles/quorlinkcore.dir/report/chart.cpp.o.d"
  "/work/main/report/request.cpp" "CMakeFiles/quorlinkcore.dir/report/request.cpp.o" "gcc" "CMakeFiles/quorlinkcore.dir/report/request.cpp.o.d"
  "/work/main/report/scan.cpp" "CMakeFiles/quorlinkcore.dir/report/scan.cpp.o" "gcc" "CMakeFiles/quorlinkcore.dir/report/scan.cpp.o.d"
  "/work/main/support/datetime.cpp" "CMakeFiles/quorlinkcore.dir/support/datetime.cpp.o" "gcc" "CMakeFiles/quorlinkcore.dir/support/datetime.cpp.o.d"
  "/work/main/support/escape.cpp" "CMakeFiles/quorlinkcore.dir/support/escape.cpp.o" "gcc" "CMakeFiles/quorlinkcore.dir/support/escape.cpp.o.d"
  "/work/main/support/query.cpp" "CMakeFiles/quorlinkcore.dir/support/query.cpp.o" "gcc" "CMakeFiles/quorlinkcore.dir/support/query.cpp.o.d"
  "/work/main/support/settings.cpp" "CMakeFiles/quorlinkcore.dir/support/settings.cpp.o" "gcc" "CMakeFiles/quorlinkcore.dir/support/settings.cpp.o.d"
  )

# Targets to which this target links.
set(CMAKE_TARGET_LINKED_INFO_FILES
  )

# Fortran module output directory.
set(CMAKE_Fortran_TARGET_MODULE_DIR "")
