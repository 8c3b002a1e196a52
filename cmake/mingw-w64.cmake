# What both Windows toolchain files share: Debian's mingw-w64 compilers of
# the prefix BD_MINGW_PREFIX, set by the file that includes this one.
set(CMAKE_SYSTEM_NAME Windows)

# The threading flavour: win32, the shipped program's, needs no winpthread
# library (the tool uses no threads); the test build takes posix
# (-DBD_MINGW_THREADS=posix), since GoogleTest needs std::mutex.
if(NOT BD_MINGW_THREADS)
  set(BD_MINGW_THREADS win32)
endif()
find_program(CMAKE_C_COMPILER NAMES ${BD_MINGW_PREFIX}-gcc-${BD_MINGW_THREADS} ${BD_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${BD_MINGW_PREFIX}-g++-${BD_MINGW_THREADS} ${BD_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${BD_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${BD_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
