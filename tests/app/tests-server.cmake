# Server detection, the Start Service button and the refresh notification. The notification reaching a
# real server is shown by the network client's tests and the end-to-end tests.
set(vexnet_tests ${PROJECT_SOURCE_DIR}/tests/vexnet)
qar_gtest(test_server_control
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ServerControlTest.cpp ${CMAKE_CURRENT_LIST_DIR}/ProcessLookupTest.cpp
        ${vexnet_tests}/ChildProcess.cpp
    LIBS qarcore_app qar_test_support)
target_include_directories(test_server_control PRIVATE ${vexnet_tests})
