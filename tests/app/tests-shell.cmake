qar_gtest(test_shell SOURCES StartUpTest.cpp MainWindowModelTest.cpp StringTableTest.cpp LayeringTest.cpp
          LIBS qarcore_app qar_test_support)
