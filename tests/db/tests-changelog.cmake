# Change log and schema extension, on SQLite and on MariaDB; the data generator's names.
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
