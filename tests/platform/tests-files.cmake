qar_gtest(test_platform SOURCES PathsTest.cpp TextUtilTest.cpp SafeFileTest.cpp LIBS qarcore_platform qar_test_support)
