add_library(ombrith_test_clock STATIC ${CMAKE_CURRENT_LIST_DIR}/doubles/fake_clock.cpp)
target_link_libraries(ombrith_test_clock PUBLIC ombrith_runtime)

ombrith_test(numbers_test LABEL unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/numbers_test.cpp
  LIBS ombrith_runtime ombrith_test_clock)
ombrith_test(effect_test LABEL unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/pattern_colour_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/lens_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/animation_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/render_properties_test.cpp
  LIBS ombrith_effect)
