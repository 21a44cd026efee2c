# Cross-compiling the shipped Windows programs with mingw-w64 i686, win32 thread model: the programs are
# single-threaded and need no POSIX thread library in their static runtime. (The tests keep the posix
# model of mingw-i686.cmake, which GoogleTest's prebuilt library uses.) Everything else as there.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
