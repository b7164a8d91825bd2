# Cross build of the 64-bit Windows console program with mingw-w64:
#   cmake -B build-windows64 --toolchain cmake/windows-x86_64.cmake
#   cmake --build build-windows64 --target varnex  -> build-windows64/src/varnex.exe
#
# The same source as the 32-bit program; dump banners show 16-digit
# addresses. Linked statically, like the 32-bit program.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(varnex_mingw x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/windows-mingw.cmake)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Test programs run through 64-bit Wine. Debian keeps its loader out of PATH.
find_program(VARNEX_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CACHE)
if(VARNEX_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VARNEX_WINE64})
else()
  set(CMAKE_CROSSCOMPILING_EMULATOR wine)
endif()
