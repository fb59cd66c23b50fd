# Runs lintian on the one .deb in DEB_DIR (made there by cpack): any error or
# warning fails, and so does a lintian that cannot check the package.
# Run as: cmake -DDEB_DIR=build/deb-test -P tests/package/deb_lintian_clean.cmake
cmake_minimum_required(VERSION 3.25)
find_program(LINTIAN lintian)
if(NOT LINTIAN)
  message("SKIP: lintian is not installed")
  return()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/one_deb.cmake)

# Exit status 2 for an error or a warning, 1 when lintian itself fails.
execute_process(COMMAND ${LINTIAN} --fail-on error,warning ${debs}
  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT code EQUAL 0 OR out MATCHES "(^|\n)[EW]: ")
  message(FATAL_ERROR "lintian ${debs}: exit ${code}\n${out}${err}")
endif()
message(STATUS "lintian finds no error or warning in ${debs}")
