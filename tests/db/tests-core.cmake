# The ODBC core against the real SQLite driver and a real MariaDB server.
if(TARGET qar_test_db)
    qar_gtest(test_db_core
        SOURCES
            ${CMAKE_CURRENT_LIST_DIR}/BatchInsertTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/ConnectStringTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/RecordsetTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/TableMapTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/SessionTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/ServerFailureTest.cpp
        LIBS qar_test_db qar_test_process
        LABELS db)
endif()
