# zlib and libpng for the Windows cross build, compiled from Debian's source
# packages into static libraries, so that the render tool writes its PNG files
# with the same encoder as on Linux and imports no DLL beyond the system's.
# Defines PNG::PNG. `make deps` unpacks the sources (scripts/cross-sources.sh);
# configuring only checks that they are there.
if(TARGET PNG::PNG)
  return()
endif()

set(OMBRITH_CROSS_SOURCES ${PROJECT_SOURCE_DIR}/build/cross-sources CACHE PATH
    "Unpacked zlib and libpng sources for the cross build")
if(NOT EXISTS ${OMBRITH_CROSS_SOURCES}/.complete)
  message(FATAL_ERROR "zlib and libpng sources for the Windows build are missing in ${OMBRITH_CROSS_SOURCES}: run 'make deps' to fetch them")
endif()

enable_language(C)
set(zlib_dir ${OMBRITH_CROSS_SOURCES}/zlib)
set(png_dir ${OMBRITH_CROSS_SOURCES}/libpng)

add_library(ombrith_cross_zlib STATIC
  ${zlib_dir}/adler32.c ${zlib_dir}/compress.c ${zlib_dir}/crc32.c ${zlib_dir}/deflate.c
  ${zlib_dir}/infback.c ${zlib_dir}/inffast.c ${zlib_dir}/inflate.c ${zlib_dir}/inftrees.c
  ${zlib_dir}/trees.c ${zlib_dir}/uncompr.c ${zlib_dir}/zutil.c)
target_include_directories(ombrith_cross_zlib SYSTEM PUBLIC ${zlib_dir})
target_compile_options(ombrith_cross_zlib PRIVATE -w)

set(png_config_dir ${CMAKE_BINARY_DIR}/cross-png)
configure_file(${png_dir}/scripts/pnglibconf.h.prebuilt ${png_config_dir}/pnglibconf.h COPYONLY)
add_library(ombrith_cross_png STATIC
  ${png_dir}/png.c ${png_dir}/pngerror.c ${png_dir}/pngget.c ${png_dir}/pngmem.c
  ${png_dir}/pngpread.c ${png_dir}/pngread.c ${png_dir}/pngrio.c ${png_dir}/pngrtran.c
  ${png_dir}/pngrutil.c ${png_dir}/pngset.c ${png_dir}/pngtrans.c ${png_dir}/pngwio.c
  ${png_dir}/pngwrite.c ${png_dir}/pngwtran.c ${png_dir}/pngwutil.c)
target_include_directories(ombrith_cross_png SYSTEM PUBLIC ${png_dir} ${png_config_dir})
target_compile_options(ombrith_cross_png PRIVATE -w)
target_link_libraries(ombrith_cross_png PUBLIC ombrith_cross_zlib)
if(OMBRITH_X86_32)
  # C code, left by longjmp on errors: no unwind tables, which on 32-bit
  # Windows would also keep every function of the libraries in the program.
  target_compile_options(ombrith_cross_zlib PRIVATE -fno-asynchronous-unwind-tables)
  target_compile_options(ombrith_cross_png PRIVATE -fno-asynchronous-unwind-tables)
endif()
add_library(PNG::PNG ALIAS ombrith_cross_png)
