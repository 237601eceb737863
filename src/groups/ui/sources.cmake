list(APPEND qargui_sources
    ${CMAKE_CURRENT_LIST_DIR}/CGroupAttrDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CGroupEditDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CGroupFilesDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CGroupPage.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CGroupPropDlg.cpp)
