list(APPEND qargui_sources
    ${CMAKE_CURRENT_LIST_DIR}/CIndepUserDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CNetDiskDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/COrgFindBar.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CPowerDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CPrivilegeBoxes.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CSearchDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CSignDomainDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CUnitAttrDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CUnitEditDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CUnitUserPage.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CUnitUserPageUsers.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CUserEditDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CUserShortDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CVirtualUnitsDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UserEditorRun.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OrgTreeModel.cpp)
