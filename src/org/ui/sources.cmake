list(APPEND qargui_sources ${CMAKE_CURRENT_LIST_DIR}/CUnitUserPage.cpp)
