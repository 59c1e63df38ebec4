# Cross build for 64-bit ARM Linux with Debian's g++-aarch64-linux-gnu and
# the arm64 libraries installed through multiarch (SDL2 and zlib in
# /usr/lib/aarch64-linux-gnu). Programs and tests run under qemu-aarch64.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(OMBRITH_ARM64_TRIPLE aarch64-linux-gnu)
find_program(CMAKE_C_COMPILER NAMES ${OMBRITH_ARM64_TRIPLE}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${OMBRITH_ARM64_TRIPLE}-g++ REQUIRED)
set(CMAKE_LIBRARY_ARCHITECTURE ${OMBRITH_ARM64_TRIPLE})

# Multiarch: the arm64 libraries sit beside the machine's own under /usr, so
# the search keeps /usr as its root and the architecture folder picks them.
# The host's pkg-config must only see arm64 .pc files.
set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/${OMBRITH_ARM64_TRIPLE}/pkgconfig:/usr/share/pkgconfig")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)

# Test programs run under qemu with the arm64 library path.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/qemu-arm64.sh")
