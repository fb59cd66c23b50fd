# Cross-compiles wendex for 64-bit Windows from Linux with Debian's MinGW-w64
# (package g++-mingw-w64-x86-64-posix); CMakeLists.txt links wendex.exe
# statically (no libstdc++-6.dll, libgcc_s_seh-1.dll or libwinpthread-1.dll
# to ship) and chooses the Win32 host layer:
#   cmake -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
# Under Wine the result runs as: wine64 build-win/wendex.exe
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)

# Libraries and headers come from the MinGW tree only; programs run at build
# time (none today) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Cross-built programs (tests, probes) run through Wine when CMake or CTest
# has to run one.
find_program(WENDEX_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(WENDEX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${WENDEX_WINE})
endif()
