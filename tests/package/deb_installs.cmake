# Unpacks the one .deb in DEB_DIR (made there by cpack) into a temporary root
# with dpkg-deb -x, as dpkg -x does, checks that it holds the program, its
# compressed manual page, its bash completion, copyright and changelog, and
# runs the installed program once.
# Run as: cmake -DDEB_DIR=build/deb-test -P tests/package/deb_installs.cmake
cmake_minimum_required(VERSION 3.25)
find_program(DPKG_DEB dpkg-deb)
if(NOT DPKG_DEB)
  message("SKIP: dpkg-deb is not installed")
  return()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/one_deb.cmake)

set(root ${DEB_DIR}/root)
file(REMOVE_RECURSE ${root})
execute_process(COMMAND ${DPKG_DEB} -x ${debs} ${root} RESULT_VARIABLE code)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "dpkg-deb -x ${debs} failed: ${code}")
endif()
foreach(installed usr/bin/wendex usr/share/man/man1/wendex.1.gz
                  usr/share/bash-completion/completions/wendex
                  usr/share/doc/wendex/copyright usr/share/doc/wendex/changelog.gz)
  if(NOT EXISTS ${root}/${installed})
    message(FATAL_ERROR "${debs} holds no ${installed}")
  endif()
endforeach()

# Listing the directory it was installed to shows the program itself
# (execute_process hands the CR LF line ends over as LF).
execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${root}/usr/bin/wendex /b
  WORKING_DIRECTORY ${root}/usr/bin RESULT_VARIABLE code OUTPUT_VARIABLE out)
if(NOT code EQUAL 0 OR NOT out MATCHES "^wendex\n\ntotal byte count: [0-9,]+\n$")
  message(FATAL_ERROR "installed wendex /b: exit ${code}, output:\n${out}")
endif()
file(REMOVE_RECURSE ${root})
