# Sets debs to the one wendex_*.deb in DEB_DIR (made there by cpack), or fails.
file(GLOB debs ${DEB_DIR}/wendex_*.deb)
list(LENGTH debs count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one wendex_*.deb in ${DEB_DIR}, found ${count}: ${debs}")
endif()
