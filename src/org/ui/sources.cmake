list(APPEND qargui_sources
    ${CMAKE_CURRENT_LIST_DIR}/CSearchDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CUnitAttrDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CUnitEditDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CUnitUserPage.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OrgTreeModel.cpp)
