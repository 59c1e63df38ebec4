# The Windows port: its backends run only in the cross build (under Wine);
# the store-rounding test runs everywhere and matters most on 32-bit x86.
ombrith_test(x87_rounding_test LABEL unit
  SOURCES x87_rounding_test.cpp
  LIBS ombrith_runtime)

ombrith_test(win32_clock_test LABEL windows TARGET_ONLY
  SOURCES windows/win32_clock_test.cpp
  LIBS ombrith_platform)
