list(APPEND qargui_sources
    ${CMAKE_CURRENT_LIST_DIR}/CAppEditDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CAppPage.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CatalogIcons.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CatalogListModel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CCatalogPage.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CEnvParamPage.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CHelpViewerDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CMsgTypeEditDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CMsgTypePage.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CRoleEditDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CRolePage.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CWebsiteEditDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CWebsitePage.cpp)
