# What cmake --install and cpack make of the build.
# cmake --install build --prefix PREFIX: PREFIX/bin/wendex and its manual page.
include(GNUInstallDirs)
install(TARGETS wendex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES docs/wendex.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# cpack --config build/CPackConfig.cmake: a .deb of the same two files (a
# .zip for Windows).
if(WENDEX_HOST STREQUAL "win32")
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR DEB)
endif()
set(CPACK_PACKAGE_CONTACT "wendex developers <dev@wendex.invalid>")
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
