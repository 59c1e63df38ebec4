# ombrith-render: the effect rendered to PNG files, animated PNG or video,
# without a display.
add_library(ombrith_render_options STATIC ${CMAKE_CURRENT_LIST_DIR}/render/render_options.cpp)
target_include_directories(ombrith_render_options PUBLIC ${PROJECT_SOURCE_DIR})

if(WIN32 AND CMAKE_CROSSCOMPILING)
  # libpng and zlib built from source, linked statically (cmake/cross-png.cmake).
  include(${PROJECT_SOURCE_DIR}/cmake/cross-png.cmake)
else()
  find_package(PNG REQUIRED)
endif()
set(render_png_writer ${CMAKE_CURRENT_LIST_DIR}/render/png_file_libpng.cpp)

# The capture encoders (animated PNG, YUV4MPEG2) and the progress line.
add_library(ombrith_render_captures STATIC
  ${CMAKE_CURRENT_LIST_DIR}/render/apng_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/render/video_stream.cpp
  ${CMAKE_CURRENT_LIST_DIR}/render/progress.cpp
  ${CMAKE_CURRENT_LIST_DIR}/render/pending_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/render/captures.cpp)
target_link_libraries(ombrith_render_captures PUBLIC ombrith_render_options PNG::PNG)

if(EXISTS ${render_png_writer})
  add_executable(ombrith-render ${CMAKE_CURRENT_LIST_DIR}/render/ombrith_render.cpp ${render_png_writer})
  target_link_libraries(ombrith-render PRIVATE ombrith_effect ombrith_render_captures PNG::PNG)
endif()
