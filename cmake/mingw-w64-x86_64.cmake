# Cross-compiles for 64-bit Windows with Debian's x86_64 mingw-w64 compiler
# (package g++-mingw-w64-x86-64). Use with
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake ...
# or simply tools/build-windows.sh x86_64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(BD_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
