qar_gtest(test_shell SOURCES StartUpTest.cpp StatusLineTest.cpp StringTableTest.cpp
          LIBS qarcore_app qar_test_support)
if(TARGET qar_test_db)
    qar_gtest(test_shell_db SOURCES ShellHostDbTest.cpp FirstRunDbTest.cpp LIBS qarcore_app qar_test_db)
endif()
