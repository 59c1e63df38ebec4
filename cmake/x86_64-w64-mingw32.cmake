# Cross build for 64-bit Windows on x86 with MinGW-w64 (Debian's
# g++-mingw-w64-x86-64); its tests run under 64-bit Wine, which starts also
# where the kernel refuses 32-bit programs. long double is the x87's 80-bit
# format here as on Linux.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(OMBRITH_MINGW_TRIPLE x86_64-w64-mingw32)
set(OMBRITH_WINE_ARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
