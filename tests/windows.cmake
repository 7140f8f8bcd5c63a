# The Windows program under wine, driven by the Linux build's own test
# programs and scripts (scripts/build first): the same tests, the same
# expected bytes, and every CGI run also compared byte for byte with the
# Linux program's on a copy of the same site.
set(QUORLINK_HOST_BUILD ${CMAKE_SOURCE_DIR}/build CACHE PATH
    "The Linux build whose test programs drive the Windows program")
set(wine ${CMAKE_SOURCE_DIR}/scripts/wine)
set(wineprefix QUORLINK_WINEPREFIX=${CMAKE_BINARY_DIR}/wine)

# one wine server for the whole run, started first and stopped last
add_test(NAME wine_start COMMAND ${wine} start)
add_test(NAME wine_stop COMMAND ${wine} stop)
set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine ENVIRONMENT ${wineprefix})
set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine ENVIRONMENT ${wineprefix})

# the locales that make wine's code page Western (1252) or UTF-8 (65001),
# made from Debian's locale sources into the build
set(locales ${CMAKE_BINARY_DIR}/locales)
add_test(NAME locales COMMAND sh -c "mkdir -p '${locales}' && localedef -i fr_FR -f UTF-8 '${locales}/fr_FR.UTF-8' && localedef -i hi_IN -f UTF-8 '${locales}/hi_IN.UTF-8'")
set_tests_properties(locales PROPERTIES FIXTURES_SETUP locales)

add_test(NAME unittests COMMAND unittests)
set_tests_properties(unittests PROPERTIES FIXTURES_REQUIRED wine ENVIRONMENT ${wineprefix})
# the reasons in a French Windows' words, whose accents its ANSI code page
# would spell otherwise; skipped there would prove nothing
add_test(NAME unittests_fr COMMAND unittests --gtest_filter=Reasons.*)
set_tests_properties(unittests_fr PROPERTIES FIXTURES_REQUIRED "wine;locales"
  ENVIRONMENT "${wineprefix};LOCPATH=${locales};LANG=fr_FR.UTF-8" FAIL_REGULAR_EXPRESSION "SKIPPED")

# the CGI tests in shards that the cores share
set(shards 4)
math(EXPR last "${shards} - 1")
foreach(shard RANGE ${last})
  add_test(NAME cgitests_${shard} COMMAND ${QUORLINK_HOST_BUILD}/tests/cgitests)
  set_tests_properties(cgitests_${shard} PROPERTIES FIXTURES_REQUIRED "wine;locales" TIMEOUT 600
    ENVIRONMENT "${wineprefix};QUORLINK_LAUNCHER=${wine};QUORLINK_PROGRAM=$<TARGET_FILE:quorlink>;QUORLINK_HOLDFILE=$<TARGET_FILE:holdfile>;QUORLINK_LOCALES=${locales};GTEST_TOTAL_SHARDS=${shards};GTEST_SHARD_INDEX=${shard}")
endforeach()

# the figures and data answers against the script's own computation, each
# answer also the Linux program's byte for byte
add_test(NAME data_independent COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/data_test.py)
set_tests_properties(data_independent PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300
  ENVIRONMENT "${wineprefix};QUORLINK_BUILD=${QUORLINK_HOST_BUILD};QUORLINK_LAUNCHER=${wine};QUORLINK_PROGRAM=$<TARGET_FILE:quorlink>")

# The requests and charts again, every site in a folder so deep that the
# program starts 250 characters down and its files' full paths pass 260,
# Windows' old limit (MAX_PATH); wine starts no program further down.
string(LENGTH "${CMAKE_BINARY_DIR}/longpaths/" baselength)
math(EXPR padlength "250 - 2 - 20 - ${baselength}")   # "Z:" before, "/quorlinktest.XXXXXX" after
if(padlength LESS 1)
  message(FATAL_ERROR "${CMAKE_BINARY_DIR} is too long a build folder for the long-path tests")
endif()
string(REPEAT "d" ${padlength} pad)
set(deep ${CMAKE_BINARY_DIR}/longpaths/${pad})
add_test(NAME longpaths_folder COMMAND ${CMAKE_COMMAND} -E make_directory ${deep})
set_tests_properties(longpaths_folder PROPERTIES FIXTURES_SETUP longpaths)
add_test(NAME cgitests_longpaths COMMAND ${QUORLINK_HOST_BUILD}/tests/cgitests
  --gtest_filter=Request.*:LoadChart.*:ChartFile.*)
set_tests_properties(cgitests_longpaths PROPERTIES FIXTURES_REQUIRED "wine;locales;longpaths" TIMEOUT 600
  ENVIRONMENT "${wineprefix};QUORLINK_LAUNCHER=${wine};QUORLINK_PROGRAM=$<TARGET_FILE:quorlink>;QUORLINK_HOLDFILE=$<TARGET_FILE:holdfile>;QUORLINK_LOCALES=${locales};QUORLINK_SITES=${deep}")

# lighttpd serves the front page and runs the program through wine, and
# Prometheus scrapes it there
set(serveenv "${wineprefix};QUORLINK_BUILD=${QUORLINK_HOST_BUILD};QUORLINK_WINDOWS_BUILD=${CMAKE_BINARY_DIR}")
add_test(NAME serve_lighttpd COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/serve/server_test.sh lighttpd)
add_test(NAME serve_load COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/serve/load_test.sh)
add_test(NAME serve_prometheus COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/serve/prometheus_test.sh)
set_tests_properties(serve_lighttpd serve_load serve_prometheus PROPERTIES FIXTURES_REQUIRED wine
  TIMEOUT 300 ENVIRONMENT "${serveenv}")

# the zip of scripts/package-windows, unpacked as an operator would
add_test(NAME package COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/package_test.sh)
set_tests_properties(package PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 120 ENVIRONMENT "${serveenv}")

# the guide's Command Prompt lines as wine's cmd.exe parses them
add_test(NAME guide COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/guide_test.sh)
set_tests_properties(guide PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 120 ENVIRONMENT "${serveenv}")
