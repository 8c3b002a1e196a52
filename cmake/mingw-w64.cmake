# What both Windows toolchain files share: Debian's mingw-w64 compilers of
# the prefix BD_MINGW_PREFIX, set by the file that includes this one.
set(CMAKE_SYSTEM_NAME Windows)

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
