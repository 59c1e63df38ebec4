# ombrith-render: the effect rendered to PNG files, without a display.
if(EMSCRIPTEN)
  return()  # the browser build has its own programs (web.cmake)
endif()
add_library(ombrith_render_options STATIC ${CMAKE_CURRENT_LIST_DIR}/render/render_options.cpp)
target_include_directories(ombrith_render_options PUBLIC ${PROJECT_SOURCE_DIR})

if(WIN32 AND CMAKE_CROSSCOMPILING)
  # libpng and zlib built from source, linked statically (cmake/cross-png.cmake).
  include(${PROJECT_SOURCE_DIR}/cmake/cross-png.cmake)
else()
  find_package(PNG REQUIRED)
endif()
set(render_png_writer ${CMAKE_CURRENT_LIST_DIR}/render/png_file_libpng.cpp)

if(EXISTS ${render_png_writer})
  add_executable(ombrith-render ${CMAKE_CURRENT_LIST_DIR}/render/ombrith_render.cpp ${render_png_writer})
  target_link_libraries(ombrith-render PRIVATE ombrith_effect ombrith_render_options PNG::PNG)
endif()
