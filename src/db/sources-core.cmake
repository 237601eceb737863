# ODBC core of the database layer: handles and errors, connection, table and column maps, the record-set
# base and the eight record classes, and the session the main window owns.
find_package(ODBC REQUIRED)
list(APPEND sources
    ${CMAKE_CURRENT_LIST_DIR}/OdbcError.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OdbcHandle.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OdbcStatement.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ConnectString.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CXDatabase.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DbTransaction.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TableMap.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ColumnMap.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RowStore.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CXRecordset.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CXTableApp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CXTableDuty.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CXTableEnvParam.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CXTableGroup.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CXTableMsg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CXTableUnit.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CXTableUser.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CXTabelChangeTmp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CDatabaseSession.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ChunkedTableRead.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BatchInsert.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TableStamp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SchemaUpgrade.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WriteFailure.cpp
)
list(APPEND db_libs ODBC::ODBC)
