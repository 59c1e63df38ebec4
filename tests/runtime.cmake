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

# A real terminal under tmux.
if(NOT CMAKE_CROSSCOMPILING)
  add_test(NAME runtime_terminal_keys
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/runtime_terminal_test.sh $<TARGET_FILE:ombrith-keys>)
  set_tests_properties(runtime_terminal_keys PROPERTIES LABELS e2e TIMEOUT 180)
endif()

# The terminal backend and its decoder exist on POSIX systems only.
ombrith_test(runtime_terminal_decode_test LABEL unit HOST_ONLY
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/runtime_terminal_decode_test.cpp
  LIBS ombrith_runtime)

ombrith_test(runtime_terminal_pty_test LABEL unit HOST_ONLY
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/runtime_terminal_pty_test.cpp
  LIBS ombrith_runtime)

ombrith_test(runtime_fuzz_test LABEL unit HOST_ONLY
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/runtime_fuzz_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/doubles/fake_console.cpp
  LIBS ombrith_runtime)
