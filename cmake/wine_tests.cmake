# The same end-to-end tests, run on wendex.exe under Wine as a second host
# when a cross-built one is named: -DWENDEX_WIN32_EXE=build-win/wendex.exe.
# One prefix per test run, made by the wine fixture's setup (about 15 s) and
# removed by its cleanup; its server runs in between.
set(WENDEX_WIN32_EXE "" CACHE FILEPATH "A cross-built wendex.exe for the tests to run under Wine")
if(WENDEX_WIN32_EXE)
  find_program(WENDEX_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
  find_program(WENDEX_WINESERVER64 NAMES wineserver64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
  if(NOT WENDEX_WINE64 OR NOT WENDEX_WINESERVER64)
    message(FATAL_ERROR "WENDEX_WIN32_EXE needs Wine's wine64 and wineserver64 (package wine64)")
  endif()
  string(MD5 build_hash ${CMAKE_CURRENT_BINARY_DIR})
  string(SUBSTRING ${build_hash} 0 8 build_hash)
  set(WENDEX_WINEPREFIX /tmp/wendex-wine-${build_hash})
  set(wine_prefix_script ${CMAKE_CURRENT_SOURCE_DIR}/tests/e2e/wine_prefix.sh)
  foreach(action start stop)
    add_test(NAME wine.prefix_${action} COMMAND ${wine_prefix_script} ${action}
             ${WENDEX_WINE64} ${WENDEX_WINESERVER64} ${WENDEX_WINEPREFIX})
  endforeach()
  set_tests_properties(wine.prefix_start PROPERTIES FIXTURES_SETUP wine)
  set_tests_properties(wine.prefix_stop PROPERTIES FIXTURES_CLEANUP wine)
  # The tests learn the host from one file (a test property holds one
  # environment variable whole, not a list).
  set(wine_host_file ${CMAKE_CURRENT_BINARY_DIR}/wine_host.txt)
  file(WRITE ${wine_host_file}
    "wine=${WENDEX_WINE64}\nexe=${WENDEX_WIN32_EXE}\nprefix=${WENDEX_WINEPREFIX}\n")
  gtest_discover_tests(wendex_e2e_tests TEST_PREFIX "wine." DISCOVERY_MODE PRE_TEST
    PROPERTIES FIXTURES_REQUIRED wine ENVIRONMENT WENDEX_E2E_WINE_HOST=${wine_host_file})
endif()
