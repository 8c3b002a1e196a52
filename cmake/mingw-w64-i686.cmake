# Cross-compiles for 32-bit Windows with Debian's i686 mingw-w64 compiler
# (package g++-mingw-w64-i686). Use with
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake ...
# or simply tools/build-windows.sh.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(BD_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
