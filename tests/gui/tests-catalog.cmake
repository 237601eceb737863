# The applications, message types and websites pages with their forms, on real files in a program folder
# of their own; the applications page also in the main window on a real SQLite database, with the hidden
# environment parameters page it takes the account mode from. The help viewer is the keyboard test's.
if(TARGET qar_test_db)
    qar_gui_test(tst_cataloguepages CataloguePagesTest.cpp)
    target_link_libraries(tst_cataloguepages PRIVATE qar_test_db)
endif()
