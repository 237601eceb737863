# The import tool's window and the data check's report on a real SQLite database.
if(TARGET qar_test_db)
    qar_gui_test(tst_sheetintake CSheetIntakeDlgTest.cpp)
    target_link_libraries(tst_sheetintake PRIVATE qar_test_db)
endif()
