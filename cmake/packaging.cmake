# What `cmake --install` puts under the prefix, and the package cpack makes
# of it: a .deb that Debian's lintian accepts, whose bytes depend only on the
# sources and SOURCE_DATE_EPOCH, or a .zip for Windows.
#
# cmake --install build --prefix PREFIX gives PREFIX/bin/wendex, the manual
# page (PREFIX/share/man/man1/wendex.1.gz where gzip is found), the bash
# completion (PREFIX/share/bash-completion/completions/wendex), and the
# copyright and changelog in PREFIX/share/doc/wendex. For Windows the manual
# page, LICENSE and CHANGELOG go as they are.
include(GNUInstallDirs)

install(TARGETS wendex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(NOT WENDEX_HOST STREQUAL "win32")
  install(FILES completion/wendex.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
          RENAME wendex)
endif()

# CHANGELOG is in Debian's changelog format; its newest entry names the
# version being built.
file(STRINGS ${CMAKE_CURRENT_SOURCE_DIR}/CHANGELOG newest_entry LIMIT_COUNT 1)
if(NOT newest_entry MATCHES "^wendex \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "CHANGELOG's newest entry is not version ${PROJECT_VERSION}: ${newest_entry}")
endif()

if(WENDEX_HOST STREQUAL "win32")
  install(FILES docs/wendex.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES LICENSE CHANGELOG DESTINATION ${CMAKE_INSTALL_DOCDIR})
else()
  set(WENDEX_PACKAGE_FILES ${CMAKE_CURRENT_BINARY_DIR}/package-files)
  file(MAKE_DIRECTORY ${WENDEX_PACKAGE_FILES})

  # The licence in Debian's machine-readable copyright format: LICENSE's text,
  # each line indented, empty ones written as " .".
  file(READ ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE licence_text)
  # The title line goes: the format names the licence itself.
  string(REGEX REPLACE "^[^\n]*\n\n" "" licence_text "${licence_text}")
  string(STRIP "${licence_text}" licence_text)
  string(REPLACE "\n" "\n " licence_text " ${licence_text}")
  string(REPLACE "\n \n" "\n .\n" licence_text "${licence_text}")
  string(CONCAT copyright
    "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
    "Upstream-Name: wendex\n"
    "\n"
    "Files: *\n"
    "Copyright: 2026 the wendex developers\n"
    "License: BSD-2-Clause\n"
    "${licence_text}\n")
  file(CONFIGURE OUTPUT ${WENDEX_PACKAGE_FILES}/copyright CONTENT "${copyright}" @ONLY)
  install(FILES ${WENDEX_PACKAGE_FILES}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

  # Manual page and changelog compressed as Debian wants them: gzip -9, with no
  # name or time stamp in the header, so that the bytes follow the text alone.
  find_program(WENDEX_GZIP gzip)
  if(WENDEX_GZIP)
    set(compressed "")
    foreach(source docs/wendex.1 CHANGELOG)
      get_filename_component(name ${source} NAME)
      string(TOLOWER ${name} name)
      set(copy ${WENDEX_PACKAGE_FILES}/${name})
      add_custom_command(OUTPUT ${copy}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_SOURCE_DIR}/${source} ${copy}
        COMMAND ${WENDEX_GZIP} -9nf ${copy}
        DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${source}
        COMMENT "Compressing ${source}" VERBATIM)
      list(APPEND compressed ${copy}.gz)
    endforeach()
    add_custom_target(wendex_compressed_docs ALL DEPENDS ${compressed})
    install(FILES ${WENDEX_PACKAGE_FILES}/wendex.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${WENDEX_PACKAGE_FILES}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
  else()
    install(FILES docs/wendex.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES CHANGELOG DESTINATION ${CMAKE_INSTALL_DOCDIR})
  endif()
endif()

# cpack --config build/CPackConfig.cmake -B build: the package.
if(WENDEX_HOST STREQUAL "win32")
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR DEB)
endif()
set(CPACK_PACKAGE_CONTACT "wendex developers <dev@wendex.invalid>")
set(CPACK_PACKAGE_DESCRIPTION
"wendex is a console directory lister. Given an optional mask and any number
of slash switches, it lists the matching entries of one directory, or of a
whole tree, as sections: a \"directory of\" header, one line per entry with
its 8.3 name, date, time, size, attribute letters and long name, a summary
of counts and bytes, and a grand total. Switches choose the order (by
extension, name, size or date), the style (adorned, bare, true names or
wide) and which entries are listed.

On Linux drive C: is the root directory, attributes come from the file's
kind, mode and name, and directories show their birth time. A bash
completion offers the switches.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# dpkg-shlibdeps (dpkg-dev) and file name the exact library versions; without
# them the package names the libraries every C++ program on Debian links.
find_program(WENDEX_DPKG_SHLIBDEPS dpkg-shlibdeps)
find_program(WENDEX_FILE_TOOL file)
if(WENDEX_DPKG_SHLIBDEPS AND WENDEX_FILE_TOOL)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libgcc-s1, libstdc++6")
endif()
include(CPack)
