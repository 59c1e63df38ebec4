ombrith_test(fast_paths_test LABEL unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fast_paths_test.cpp
  LIBS ombrith_effect)
