# Read by project() once the compiler's own defaults are known: a Release
# build is -O2, not CMake's -O3, for g++ and clang alike. A value given with
# -DCMAKE_CXX_FLAGS_RELEASE still wins, since this only sets the first value.
string(REPLACE "-O3" "-O2" CMAKE_CXX_FLAGS_RELEASE_INIT "${CMAKE_CXX_FLAGS_RELEASE_INIT}")
