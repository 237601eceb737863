# The application shell: start-up decisions, the main window's model, launches, and the string table
# that core and views share.
list(APPEND sources
    ${PROJECT_SOURCE_DIR}/src/resources/StringTable.cpp
    FileFailureText.cpp
    MainWindowModel.cpp
    ShellCommands.cpp
    StartUp.cpp
    StatusLine.cpp)
if(TARGET qarcore_settings)
    list(APPEND app_libs qarcore_settings)
endif()
if(TARGET qarcore_db)
    list(APPEND sources Corporation.cpp DatabaseShellHost.cpp SystemStartUpEnvironment.cpp)
    list(APPEND app_libs qarcore_db)
endif()
