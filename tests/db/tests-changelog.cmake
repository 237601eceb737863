# Change log, schema extension and the data generator, on SQLite and on MariaDB.
if(TARGET qar_test_db)
    qar_gtest(test_db_changelog
        SOURCES ChangeLogTest.cpp SchemaExtensionTest.cpp
        LIBS qarcore_db qar_test_db)
    if(TARGET qar_datagen_core)
        qar_gtest(test_datagen
            SOURCES DataGeneratorTest.cpp
            LIBS qar_datagen_core qar_test_db)
    endif()
endif()
