# Runs lintian on the one .deb in DEB_DIR (made there by cpack): any error or
# warning fails, and so does a lintian that cannot check the package.
# Run as: cmake -DDEB_DIR=build/deb-test -P tests/package/deb_lintian_clean.cmake
cmake_minimum_required(VERSION 3.25)
find_program(LINTIAN lintian)
if(NOT LINTIAN)
  message("SKIP: lintian is not installed")
  return()
endif()

file(GLOB debs ${DEB_DIR}/wendex_*.deb)
list(LENGTH debs count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one wendex_*.deb in ${DEB_DIR}, found ${count}: ${debs}")
endif()

# Exit status 2 for an error or a warning, 1 when lintian itself fails.
execute_process(COMMAND ${LINTIAN} --fail-on error,warning ${debs}
  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT code EQUAL 0 OR out MATCHES "(^|\n)[EW]: ")
  message(FATAL_ERROR "lintian ${debs}: exit ${code}\n${out}${err}")
endif()
message(STATUS "lintian finds no error or warning in ${debs}")
