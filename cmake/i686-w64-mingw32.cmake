# Cross build for 32-bit Windows on x86 with MinGW-w64 (Debian's
# g++-mingw-w64-i686); its tests run under 32-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(OMBRITH_MINGW_TRIPLE i686-w64-mingw32)
set(OMBRITH_WINE_ARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
