# zlib for the Windows cross build, compiled from Debian's source package
# into a static library, so that the render tool deflates its PNG files with
# the same zlib as on Linux and imports no DLL beyond the system's. Defines
# ZLIB::ZLIB. `make deps` unpacks the source (scripts/cross-sources.sh);
# configuring only checks that it is there.
if(TARGET ZLIB::ZLIB)
  return()
endif()

set(OMBRITH_CROSS_SOURCES ${PROJECT_SOURCE_DIR}/build/cross-sources CACHE PATH
    "Unpacked zlib source for the cross build")
if(NOT EXISTS ${OMBRITH_CROSS_SOURCES}/.complete)
  message(FATAL_ERROR "the zlib source for the Windows build is missing in ${OMBRITH_CROSS_SOURCES}: run 'make deps' to fetch it")
endif()

enable_language(C)
set(zlib_dir ${OMBRITH_CROSS_SOURCES}/zlib)
add_library(ombrith_cross_zlib STATIC
  ${zlib_dir}/adler32.c ${zlib_dir}/crc32.c ${zlib_dir}/deflate.c ${zlib_dir}/trees.c
  ${zlib_dir}/zutil.c)
target_include_directories(ombrith_cross_zlib SYSTEM PUBLIC ${zlib_dir})
target_compile_options(ombrith_cross_zlib PRIVATE -w)
if(OMBRITH_X86_32)
  # C code: no unwind tables, which on 32-bit Windows would also keep every
  # function of the library in the program.
  target_compile_options(ombrith_cross_zlib PRIVATE -fno-asynchronous-unwind-tables)
endif()
add_library(ZLIB::ZLIB ALIAS ombrith_cross_zlib)
