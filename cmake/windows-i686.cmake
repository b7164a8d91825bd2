# Cross build of the 32-bit Windows console program with mingw-w64:
#   cmake -B build-windows --toolchain cmake/windows-i686.cmake
#   cmake --build build-windows --target varnex    -> build-windows/src/varnex.exe
#
# Linked statically, so that the program needs no DLL beyond those Windows
# ships, and large-address-aware, so that page buffers may use the 4 GiB a
# 32-bit process gets on 64-bit Windows.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(varnex_mingw i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/windows-mingw.cmake)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -Wl,--large-address-aware")

# Test programs run through Wine (32-bit Wine: the wine32 package).
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
