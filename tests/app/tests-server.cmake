# Server detection, the Start Service button and the refresh notification, also against RXServer.exe.
set(vexnet_tests ${PROJECT_SOURCE_DIR}/tests/vexnet)
qar_gtest(test_server_control
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ServerControlTest.cpp ${CMAKE_CURRENT_LIST_DIR}/ProcessLookupTest.cpp
        ${vexnet_tests}/ChildProcess.cpp ${vexnet_tests}/RxServerProcess.cpp
    LIBS qarcore_app qar_test_support)
target_include_directories(test_server_control PRIVATE ${vexnet_tests})
add_dependencies(test_server_control rxserver)
target_compile_definitions(test_server_control PRIVATE QAR_RXSERVER_PATH="$<TARGET_FILE:rxserver>")
