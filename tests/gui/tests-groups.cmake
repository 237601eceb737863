# Groups: the page, the group editor and its attribute form on a real SQLite database through the main
# window; the property and configuration-file forms on their own.
if(TARGET qar_test_db)
    qar_gui_test(tst_grouppage CGroupPageTest.cpp)
    target_link_libraries(tst_grouppage PRIVATE qar_test_db)
endif()
