# Groups: the page with 1,000 groups shown (against the sqlite3 command printing the same rows), and a
# property file of 10,000 properties opened in Set Property and saved (against pugixml reading and
# writing the same file).
if(TARGET qargui AND TARGET qar_datagen_core)
    find_package(pugixml REQUIRED)
    add_executable(groups_bench groups_bench.cpp)
    target_link_libraries(groups_bench PRIVATE qargui qar_datagen_core qar_test_support qar_bench_support
        pugixml::pugixml)
    target_compile_definitions(groups_bench PRIVATE QAR_BENCH_SQL_DIR="${PROJECT_SOURCE_DIR}/sql")
endif()
