# Cross-compiles for 64-bit Windows with Debian's x86_64 mingw-w64 compiler
# (package g++-mingw-w64-x86_64). Use with
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake ...
# or simply tools/build-windows.sh.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(BD_MINGW_PREFIX x86_64-w64-mingw32)
# The win32 threading flavour: the tool uses no threads, and this flavour
# needs no winpthread library.
find_program(CMAKE_C_COMPILER NAMES ${BD_MINGW_PREFIX}-gcc-win32 ${BD_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${BD_MINGW_PREFIX}-g++-win32 ${BD_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${BD_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${BD_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
