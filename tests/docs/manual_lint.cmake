# Renders the manual page PAGE with every warning on, through groff and
# through mandoc's lint mode, whichever are installed; any message fails.
# Run as: cmake -DPAGE=docs/wendex.1 -P tests/docs/manual_lint.cmake
cmake_minimum_required(VERSION 3.25)
find_program(GROFF groff)
find_program(MANDOC mandoc)
if(NOT GROFF AND NOT MANDOC)
  message("SKIP: neither groff nor mandoc is installed")
  return()
endif()

function(expect_silent)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT code EQUAL 0 OR NOT out STREQUAL "" OR NOT err STREQUAL "")
    string(REPLACE ";" " " command "${ARGN}")
    message(FATAL_ERROR "${command}: exit ${code}\n${out}${err}")
  endif()
  message(STATUS "clean: ${ARGN}")
endfunction()

if(GROFF)
  # The default device, and the terminal device that man(1) uses.
  expect_silent(${GROFF} -man -ww -z ${PAGE})
  expect_silent(${GROFF} -man -Tutf8 -ww -z ${PAGE})
endif()
if(MANDOC)
  expect_silent(${MANDOC} -Tlint -Wwarning ${PAGE})
endif()
