# Row converters and their chooser.
ombrith_test(converters_test LABEL unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/converters_test.cpp
  LIBS ombrith_pixelwindow)
