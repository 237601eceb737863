# Bulk import, export and check on 5,000 units and 100,000 users, with the sqlite3 command's .import
# of the same CSV as the floor of the apply.
if(TARGET qar_datagen_core AND TARGET qarcore_intake AND TARGET qar_test_db)
    add_executable(intake_bench intake_bench.cpp)
    target_link_libraries(intake_bench PRIVATE qar_common qar_datagen_core qarcore_intake qar_test_db
        qar_bench_support)
    target_compile_definitions(intake_bench PRIVATE QAR_BENCH_SQL_DIR="${PROJECT_SOURCE_DIR}/sql")
endif()
