# Catalogues: the help viewer on real files, and the environment parameters page in the main window on a
# real SQLite database.
qar_gui_test(tst_helpviewer CHelpViewerDlgTest.cpp)
if(TARGET qar_test_db)
    qar_gui_test(tst_envparampage CEnvParamPageTest.cpp)
    target_link_libraries(tst_envparampage PRIVATE qar_test_db)
endif()
# The applications, message types and websites pages with their forms, on real files in a program folder
# of their own; the applications page also in the main window on a real SQLite database.
qar_gui_test(tst_msgtypepage CMsgTypePageTest.cpp)
qar_gui_test(tst_websitepage CWebsitePageTest.cpp)
if(TARGET qar_test_db)
    qar_gui_test(tst_apppage CAppPageTest.cpp)
    target_link_libraries(tst_apppage PRIVATE qar_test_db)
endif()
