# The part of the Windows toolchain files that both share: the mingw-w64
# compilers named by `varnex_mingw` (the target triple), found only in their
# own root. The -posix compilers: the win32-thread variant has no std::mutex,
# which GoogleTest needs.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${varnex_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${varnex_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${varnex_mingw}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${varnex_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
