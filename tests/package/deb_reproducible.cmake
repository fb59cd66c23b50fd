# Makes the package twice from the built tree with one SOURCE_DATE_EPOCH, a
# second apart, into DEB_DIR/first and DEB_DIR/second, and checks that the
# two are the same bytes: no build time, install time or gzip header time
# reaches them.
# Run as: cmake -DCPACK=cpack -DCONFIG=build/CPackConfig.cmake -DDEB_DIR=build/deb-repro
#         -P tests/package/deb_reproducible.cmake
cmake_minimum_required(VERSION 3.25)
set(ENV{SOURCE_DATE_EPOCH} 1765238400)
set(sums "")
foreach(run first second)
  file(REMOVE_RECURSE ${DEB_DIR}/${run})
  execute_process(COMMAND ${CPACK} --config ${CONFIG} -B ${DEB_DIR}/${run}
    RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE out)
  file(GLOB deb ${DEB_DIR}/${run}/wendex_*.deb)
  if(NOT code EQUAL 0 OR NOT deb)
    message(FATAL_ERROR "cpack into ${DEB_DIR}/${run}: exit ${code}\n${out}")
  endif()
  file(SHA256 ${deb} sum)
  list(APPEND sums ${sum})
  execute_process(COMMAND ${CMAKE_COMMAND} -E sleep 1)
endforeach()
list(GET sums 0 first)
list(GET sums 1 second)
if(NOT first STREQUAL second)
  message(FATAL_ERROR "two packages of one tree differ: ${first} and ${second}")
endif()
file(REMOVE_RECURSE ${DEB_DIR})
message(STATUS "both packages: ${first}")
