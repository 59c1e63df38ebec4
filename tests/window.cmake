# The pixel window and its keyboard feed over the scripted platform, and the
# SDL backend's key translation.
if(TARGET ombrith_pixelwindow AND TARGET ombrith_platform_display)
  set(window_test_sources
    ${CMAKE_CURRENT_LIST_DIR}/window_open_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_update_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_keys_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/doubles/fake_platform.cpp)
  if(OMBRITH_DISPLAY_BACKEND STREQUAL "sdl")
    list(APPEND window_test_sources ${CMAKE_CURRENT_LIST_DIR}/window_sdl_keys_test.cpp)
  endif()
  ombrith_test(window_unit_tests LABEL unit
    SOURCES ${window_test_sources}
    LIBS ombrith_pixelwindow ombrith_platform_display ombrith_runtime)
endif()
