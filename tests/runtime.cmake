# Runtime: temporary strings, key input, start-up and the console key path.
ombrith_test(runtime_strings_test LABEL unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/runtime_strings_test.cpp
  LIBS ombrith_runtime)

ombrith_test(runtime_console_test LABEL unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/runtime_console_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/doubles/fake_console.cpp
  LIBS ombrith_runtime)

ombrith_test(runtime_startup_test LABEL unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/runtime_startup_test.cpp
  LIBS ombrith_runtime)
