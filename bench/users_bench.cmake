# Users: the user form shown for one of 100,000 users, 1,000 users added through the page's logic with their
# change rows on SQLite and on MariaDB, and the domain sign-on and multi-unit user files of 100,000 records.
if(TARGET qar_datagen_core AND TARGET qargui)
    add_executable(users_bench users_bench.cpp)
    target_link_libraries(users_bench PRIVATE qargui qar_datagen_core qar_test_support benchmark::benchmark)
    target_compile_definitions(users_bench PRIVATE QAR_BENCH_SQL_DIR="${PROJECT_SOURCE_DIR}/sql")
endif()
