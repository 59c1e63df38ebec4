ombrith_test(fast_paths_test LABEL unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fast_paths_test.cpp
  LIBS ombrith_effect)

# The optimised native build runs the whole differential set; sanitized and
# cross builds run a reduced one (their arithmetic is several times slower).
if(TARGET fast_paths_test AND CMAKE_BUILD_TYPE STREQUAL "Release" AND NOT CMAKE_CROSSCOMPILING
   AND NOT CMAKE_CXX_FLAGS MATCHES "sanitize")
  target_compile_definitions(fast_paths_test PRIVATE OMBRITH_FULL_DIFFERENTIAL)
endif()
