# Finding the server: its process in /proc and its main window on the X display.
find_package(PkgConfig REQUIRED)
pkg_check_modules(QAR_XCB REQUIRED IMPORTED_TARGET GLOBAL xcb)
list(APPEND sources ProcessLookup.cpp WindowLookup.cpp TreeRefreshMessage.cpp)
list(APPEND platform_libs PkgConfig::QAR_XCB)
