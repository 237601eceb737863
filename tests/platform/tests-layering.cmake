qar_gtest(test_layering SOURCES LayeringTest.cpp LIBS qar_test_support)
