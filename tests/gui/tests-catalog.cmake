# Catalogues: the help viewer on real files, and the environment parameters page in the main window on a
# real SQLite database.
qar_gui_test(tst_helpviewer CHelpViewerDlgTest.cpp)
if(TARGET qar_test_db)
    qar_gui_test(tst_envparampage CEnvParamPageTest.cpp)
    target_link_libraries(tst_envparampage PRIVATE qar_test_db)
endif()
