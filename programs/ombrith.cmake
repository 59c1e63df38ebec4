# The demo programs: the effect on the pixel window, full screen.
if(OMBRITH_BUILD_DEMO AND TARGET ombrith_platform_display AND NOT EMSCRIPTEN)
  foreach(variant 320 640)
    add_executable(ombrith${variant} ${CMAKE_CURRENT_LIST_DIR}/ombrith${variant}.cpp)
    target_link_libraries(ombrith${variant} PRIVATE
      ombrith_effect ombrith_pixelwindow ombrith_platform_display ombrith_runtime)
  endforeach()
endif()
