list(APPEND qargui_sources
    ${CMAKE_CURRENT_LIST_DIR}/ActionGuard.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CAboutDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CAdminApp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CAdminPage.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CCorpDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CMainDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CStatusLine.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DatabaseWait.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileFailureMessage.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FormFit.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Launcher.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MessageService.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OperationProgress.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QtTranslations.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TreeRefreshFilter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UiText.cpp)
