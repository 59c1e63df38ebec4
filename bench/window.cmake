# Frame timing of the demo programs under a display server: a library that
# scripts/measure-fps.sh preloads into the unmodified programs.
if(OMBRITH_DISPLAY_BACKEND STREQUAL "sdl")
  find_package(SDL2 REQUIRED)
  add_library(fps_probe MODULE ${CMAKE_CURRENT_LIST_DIR}/fps_probe.cpp)
  target_link_libraries(fps_probe PRIVATE SDL2::SDL2 ${CMAKE_DL_LIBS})
endif()
