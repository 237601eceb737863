list(APPEND qargui_sources
    ${CMAKE_CURRENT_LIST_DIR}/CZMathEdit.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DigitsOnlyEdit.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FilteredLineEdit.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ScrollNotifyListCtrl.cpp)
