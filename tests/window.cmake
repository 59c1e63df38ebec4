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

# The demo programs on a private X server (Xvfb, xdotool, ImageMagick).
if(TARGET ombrith320 AND TARGET ombrith640 AND OMBRITH_DISPLAY_BACKEND STREQUAL "sdl")
  find_package(X11 REQUIRED)
  add_executable(x_close_window ${CMAKE_CURRENT_LIST_DIR}/e2e/x_close_window.cpp)
  target_link_libraries(x_close_window PRIVATE X11::X11)
  ombrith_test(window_e2e_tests LABEL e2e
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/window_e2e_test.cpp ${CMAKE_CURRENT_LIST_DIR}/e2e/x_session.cpp
    LIBS ombrith_runtime)
  target_compile_definitions(window_e2e_tests PRIVATE
    OMBRITH_PROGRAM_DIR="$<TARGET_FILE_DIR:ombrith320>"
    OMBRITH_CLOSE_TOOL="$<TARGET_FILE:x_close_window>"
    OMBRITH_LSAN_SUPPRESSIONS="${CMAKE_CURRENT_LIST_DIR}/e2e/lsan.supp")
  add_dependencies(window_e2e_tests ombrith320 ombrith640 x_close_window)
endif()

# The demo's main procedure with a scripted presenter.
if(TARGET ombrith_effect)
  ombrith_test(main_loop_test LABEL unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/main_loop_test.cpp ${CMAKE_CURRENT_LIST_DIR}/doubles/fake_console.cpp
    LIBS ombrith_effect ombrith_runtime)
endif()
