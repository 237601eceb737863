# Database benchmarks: users snapshot against the sqlite3 command, change rows with rows pending.
if(TARGET qar_datagen_core AND TARGET qarcore_db)
    add_executable(db_bench db_bench.cpp)
    target_link_libraries(db_bench PRIVATE qar_common qar_datagen_core qarcore_db qar_test_support
        qar_bench_support)
    target_compile_definitions(db_bench PRIVATE QAR_BENCH_SQL_DIR="${PROJECT_SOURCE_DIR}/sql")
endif()
