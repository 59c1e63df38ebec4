# The part of the MinGW-w64 cross builds for Windows that both processors
# share; cmake/i686-w64-mingw32.cmake and cmake/x86_64-w64-mingw32.cmake set
# OMBRITH_MINGW_TRIPLE and OMBRITH_WINE_ARCH and include this. The posix
# thread model gives the C++ threads library; libgcc, libstdc++ and
# winpthread are linked statically so that a program imports system DLLs
# only (KERNEL32, USER32, msvcrt).
set(CMAKE_SYSTEM_NAME Windows)

find_program(CMAKE_C_COMPILER NAMES ${OMBRITH_MINGW_TRIPLE}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${OMBRITH_MINGW_TRIPLE}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${OMBRITH_MINGW_TRIPLE}-windres)
find_program(CMAKE_OBJDUMP NAMES ${OMBRITH_MINGW_TRIPLE}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${OMBRITH_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine (32-bit or 64-bit as the build), in a private
# prefix inside the build tree.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh;--prefix;${CMAKE_BINARY_DIR}/wine/unit")
