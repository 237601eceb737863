list(APPEND qargui_sources
    ${CMAKE_CURRENT_LIST_DIR}/CCheckDataDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CSheetIntakeDlg.cpp)
