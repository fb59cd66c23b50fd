# The tests (WENDEX_TESTS): unit tests of the pure parts over a host layer
# with test hooks, end-to-end runs of the built program, the manual page's
# rendering and the package's contents.
if(WENDEX_HOST STREQUAL "win32")
  message(FATAL_ERROR "The tests run on the build machine: build them natively, and run "
    "wendex.exe through them with -DWENDEX_WIN32_EXE=PATH (see README.md).")
endif()
enable_testing()
find_package(GTest REQUIRED)
include(GoogleTest)

# The unit tests' host layer has the test hooks; the program's never does.
# The logic's objects are the program's own, linked over it.
add_library(wendex_host_hooked STATIC ${WENDEX_HOST_SOURCES} fs/posix/hooks.cpp)
target_compile_definitions(wendex_host_hooked PUBLIC WENDEX_HOST_HOOKS)
target_link_libraries(wendex_host_hooked PUBLIC wendex_text ${WENDEX_THREADS})
add_library(wendex_logic_hooked STATIC $<TARGET_OBJECTS:wendex_logic_objects>)
target_link_libraries(wendex_logic_hooked PUBLIC wendex_host_hooked)

file(GLOB UNIT_TEST_SOURCES CONFIGURE_DEPENDS tests/unit/*.cpp)
add_executable(wendex_unit_tests ${UNIT_TEST_SOURCES})
target_link_libraries(wendex_unit_tests PRIVATE wendex_logic_hooked GTest::gtest_main)
gtest_discover_tests(wendex_unit_tests TEST_PREFIX "unit." DISCOVERY_MODE PRE_TEST)

file(GLOB E2E_TEST_SOURCES CONFIGURE_DEPENDS tests/e2e/*.cpp)
add_executable(wendex_e2e_tests ${E2E_TEST_SOURCES})
target_include_directories(wendex_e2e_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(wendex_e2e_tests PRIVATE GTest::gtest_main)
target_compile_definitions(wendex_e2e_tests PRIVATE
  WENDEX_BINARY="$<TARGET_FILE:wendex>"
  WENDEX_README="${CMAKE_CURRENT_SOURCE_DIR}/README.md"
  WENDEX_MANUAL="${CMAKE_CURRENT_SOURCE_DIR}/docs/wendex.1")
if(WENDEX_SANITIZE)
  target_compile_definitions(wendex_e2e_tests PRIVATE WENDEX_SANITIZED)
endif()
# The walk's tests on a slow network share: the benchmark's FUSE file system
# that delays every request, where libfuse3 is here to build it.
find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
  pkg_check_modules(FUSE3 QUIET IMPORTED_TARGET fuse3)
endif()
if(FUSE3_FOUND)
  add_executable(wendex_delay_fs bench/delay_fs.cpp)
  target_include_directories(wendex_delay_fs PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/bench)
  target_link_libraries(wendex_delay_fs PRIVATE PkgConfig::FUSE3)
  target_compile_definitions(wendex_e2e_tests PRIVATE WENDEX_DELAY_FS="$<TARGET_FILE:wendex_delay_fs>")
  add_dependencies(wendex_e2e_tests wendex_delay_fs)
endif()
add_dependencies(wendex_e2e_tests wendex)
gtest_discover_tests(wendex_e2e_tests TEST_PREFIX "e2e." DISCOVERY_MODE PRE_TEST)

include(cmake/wine_tests.cmake)

# The bash completion offers the switches, and leaves masks to bash.
add_test(NAME completion.switches
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/completion/completion_test.sh
          ${CMAKE_CURRENT_SOURCE_DIR}/completion/wendex.bash)

# The manual page renders without a warning.
add_test(NAME docs.manual_lint
  COMMAND ${CMAKE_COMMAND} -DPAGE=${CMAKE_CURRENT_SOURCE_DIR}/docs/wendex.1
          -P ${CMAKE_CURRENT_SOURCE_DIR}/tests/docs/manual_lint.cmake)
set_tests_properties(docs.manual_lint PROPERTIES SKIP_REGULAR_EXPRESSION "SKIP: ")

# The .deb, made by cpack from the built tree, unpacks and runs.
set(WENDEX_DEB_DIR ${CMAKE_CURRENT_BINARY_DIR}/deb-test)
add_test(NAME package.build_deb
  COMMAND ${CMAKE_CPACK_COMMAND} --config ${CMAKE_CURRENT_BINARY_DIR}/CPackConfig.cmake
          -B ${WENDEX_DEB_DIR})
set_tests_properties(package.build_deb PROPERTIES FIXTURES_SETUP deb)
add_test(NAME package.deb_installs
  COMMAND ${CMAKE_COMMAND} -DDEB_DIR=${WENDEX_DEB_DIR}
          -P ${CMAKE_CURRENT_SOURCE_DIR}/tests/package/deb_installs.cmake)
set_tests_properties(package.deb_installs PROPERTIES
  FIXTURES_REQUIRED deb SKIP_REGULAR_EXPRESSION "SKIP: ")
# lintian finds no error or warning in it (skipped without lintian).
add_test(NAME package.deb_lintian_clean
  COMMAND ${CMAKE_COMMAND} -DDEB_DIR=${WENDEX_DEB_DIR}
          -P ${CMAKE_CURRENT_SOURCE_DIR}/tests/package/deb_lintian_clean.cmake)
set_tests_properties(package.deb_lintian_clean PROPERTIES
  FIXTURES_REQUIRED deb SKIP_REGULAR_EXPRESSION "SKIP: ")
# Two packages of the same tree under one SOURCE_DATE_EPOCH are the same bytes.
add_test(NAME package.deb_reproducible
  COMMAND ${CMAKE_COMMAND} -DCPACK=${CMAKE_CPACK_COMMAND}
          -DCONFIG=${CMAKE_CURRENT_BINARY_DIR}/CPackConfig.cmake
          -DDEB_DIR=${CMAKE_CURRENT_BINARY_DIR}/deb-repro
          -P ${CMAKE_CURRENT_SOURCE_DIR}/tests/package/deb_reproducible.cmake)
