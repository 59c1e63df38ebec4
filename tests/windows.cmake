# The Windows port: its backends run only in the cross build (under Wine);
# the store-rounding test runs everywhere and matters most on 32-bit x86.
ombrith_test(x87_rounding_test LABEL unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/x87_rounding_test.cpp
  LIBS ombrith_runtime)

ombrith_test(win32_clock_test LABEL windows TARGET_ONLY
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/windows/win32_clock_test.cpp
  LIBS ombrith_platform)

if(NOT (CMAKE_CROSSCOMPILING AND WIN32))
  return()
endif()

# The console key path on a real console of the system's: Wine gives a
# program a console only when it runs on a terminal, so it gets one.
add_executable(win32_console_test ${CMAKE_CURRENT_LIST_DIR}/windows/win32_console_test.cpp)
target_link_libraries(win32_console_test PRIVATE ombrith_runtime GTest::gtest GTest::gtest_main)
add_test(NAME win32_console_test COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/windows/with_console.sh
  ${CMAKE_BINARY_DIR}/wine/unit $<TARGET_FILE:win32_console_test>)
set_tests_properties(win32_console_test PROPERTIES LABELS "windows;unit" TIMEOUT 300)

# Tests that need a display run under Wine on their own Xvfb, one at a time,
# in a prefix of their own (its wine server is restarted for every run).
set(wine_e2e ${CMAKE_CURRENT_LIST_DIR}/windows/wine_e2e.sh)
set(wine_e2e_prefix ${CMAKE_BINARY_DIR}/wine/e2e)
function(ombrith_wine_e2e name)
  add_test(NAME ${name} COMMAND bash ${wine_e2e} ${wine_e2e_prefix} ${ARGN})
  set_tests_properties(${name} PROPERTIES LABELS "windows;e2e" RESOURCE_LOCK wine_display TIMEOUT 300)
endfunction()

# The display, window and keyboard backends against the real calls.
if(TARGET ombrith_platform_display)
  add_executable(directdraw_backend_test ${CMAKE_CURRENT_LIST_DIR}/windows/directdraw_backend_test.cpp)
  target_link_libraries(directdraw_backend_test PRIVATE ombrith_platform_display GTest::gtest GTest::gtest_main)
  ombrith_wine_e2e(directdraw_backend_test backend $<TARGET_FILE:directdraw_backend_test>)
endif()

# A stand-in DirectDraw that ends the process with status 42, kept in a
# folder of its own so no other program finds it.
add_library(fake_ddraw SHARED ${CMAKE_CURRENT_LIST_DIR}/windows/fake_ddraw.cpp)
set_target_properties(fake_ddraw PROPERTIES OUTPUT_NAME ddraw PREFIX ""
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/fake-ddraw)
target_link_options(fake_ddraw PRIVATE -Wl,--kill-at)

# The display's loader leaves the current directory out of the DLL search.
if(TARGET ombrith_platform_display)
  ombrith_test(dll_search_test LABEL windows TARGET_ONLY
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/windows/dll_search_test.cpp
    LIBS ombrith_platform_display)
  target_compile_definitions(dll_search_test PRIVATE
    OMBRITH_FAKE_DDRAW_PATH="$<TARGET_FILE:fake_ddraw>")
  add_dependencies(dll_search_test fake_ddraw)
endif()

if(TARGET ombrith320 AND TARGET ombrith640)
  ombrith_wine_e2e(wine_ombrith320_escape demo $<TARGET_FILE:ombrith320> 320 240 $<TARGET_FILE:fake_ddraw>)
  ombrith_wine_e2e(wine_ombrith640_escape demo $<TARGET_FILE:ombrith640> 640 480)
  ombrith_wine_e2e(wine_ombrith320_close close $<TARGET_FILE:ombrith320> 320 240)
  ombrith_wine_e2e(wine_ombrith640_no_ddraw no-ddraw $<TARGET_FILE:ombrith640>)
  ombrith_wine_e2e(wine_ombrith320_no_ddraw no-ddraw $<TARGET_FILE:ombrith320>)
  ombrith_wine_e2e(wine_ombrith320_app_folder_ddraw app-folder-ddraw $<TARGET_FILE:ombrith320> $<TARGET_FILE:fake_ddraw>)

  add_test(NAME windows_demo_imports COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/windows/check_imports.sh
    ${CMAKE_OBJDUMP} KERNEL32.dll,USER32.dll,msvcrt.dll KERNEL32.dll,USER32.dll,msvcrt.dll
    $<TARGET_FILE:ombrith320> $<TARGET_FILE:ombrith640>)
  set_tests_properties(windows_demo_imports PROPERTIES LABELS windows)
endif()
if(TARGET ombrith-render)
  add_test(NAME windows_render_imports COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/windows/check_imports.sh
    ${CMAKE_OBJDUMP} KERNEL32.dll,msvcrt.dll KERNEL32.dll,USER32.dll,msvcrt.dll
    $<TARGET_FILE:ombrith-render>)
  set_tests_properties(windows_render_imports PROPERTIES LABELS windows)
endif()

# The same seeds and clock readings give byte-identical PNG files from the
# Linux build's render tool and from ombrith-render.exe.
if(TARGET ombrith-render)
  set(OMBRITH_LINUX_RENDER ${PROJECT_SOURCE_DIR}/build/release/programs/ombrith-render CACHE FILEPATH
      "The Linux build's render tool, to compare the Windows one against")
  add_test(NAME windows_render_matches_linux
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/windows/render_compare.sh
      ${OMBRITH_LINUX_RENDER} $<TARGET_FILE:ombrith-render> ${CMAKE_BINARY_DIR}/wine/unit)
  set_tests_properties(windows_render_matches_linux PROPERTIES LABELS windows TIMEOUT 600)
endif()
