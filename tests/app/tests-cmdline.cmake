qar_gtest(test_cmdline SOURCES CommandLineTest.cpp LIBS qarcore_app qar_test_support)
