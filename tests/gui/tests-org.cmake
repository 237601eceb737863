# Units and users: the numeric fields and the scrolling list, the page and the unit forms on a real
# SQLite database.
qar_gui_test(tst_orgcontrols OrgControlsTest.cpp)
if(TARGET qar_test_db)
    qar_gui_test(tst_unituserpage CUnitUserPageTest.cpp)
    target_link_libraries(tst_unituserpage PRIVATE qar_test_db)
endif()
if(TARGET qar_test_db)
    qar_gui_test(tst_userchunks UserChunksTest.cpp)
    target_link_libraries(tst_userchunks PRIVATE qar_test_db)
endif()
