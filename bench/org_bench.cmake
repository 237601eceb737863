# Units-and-users tree: build from snapshots of a generated database against the sqlite3 command fetching
# the same rows, and a unit code change that re-points its users.
if(TARGET qar_datagen_core AND TARGET qarcore_org)
    add_executable(org_bench org_bench.cpp)
    target_link_libraries(org_bench PRIVATE qar_common qar_datagen_core qarcore_org qar_test_support
        qar_bench_support)
    target_compile_definitions(org_bench PRIVATE QAR_BENCH_SQL_DIR="${PROJECT_SOURCE_DIR}/sql")
endif()

# The units-and-users page: main window created until the populated tree is on screen (offscreen).
if(TARGET qargui)
    add_executable(org_page_bench org_page_bench.cpp)
    target_link_libraries(org_page_bench PRIVATE qargui)
endif()
