# Users: the user form and its small forms from the page in the main window on a real SQLite database,
# and the privilege, role and user-account forms on their own.
if(TARGET qar_test_db)
    qar_gui_test(tst_usereditor CUserEditDlgTest.cpp)
    target_link_libraries(tst_usereditor PRIVATE qar_test_db)
endif()
