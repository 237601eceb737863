# The ODBC data-source store and the data-source registration, against real odbc.ini files and drivers.
find_library(QAR_ODBC_LIBRARY NAMES odbc REQUIRED)
if(TARGET qar_test_db)
    qar_gtest(test_db_registration
        SOURCES OdbcIniSandbox.cpp CXRegistryTest.cpp RegistrationTest.cpp
        LIBS qarcore_db qar_test_db ${QAR_ODBC_LIBRARY})
endif()
