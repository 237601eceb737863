# Server detection, the Start Service button and the refresh notification. The notification reaching a
# real server is shown by the network client's tests and the end-to-end tests.
qar_gtest(test_server_control SOURCES ${CMAKE_CURRENT_LIST_DIR}/ServerControlTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ProcessLookupTest.cpp LIBS qarcore_app qar_test_support qar_test_process)
