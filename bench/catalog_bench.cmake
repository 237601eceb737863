# The applications page on a generated catalogue: loaded and shown, one entry added and saved; the XML
# read by pugixml as the reference.
if(TARGET qargui AND TARGET qar_datagen_catalog)
    find_package(pugixml REQUIRED)
    add_executable(catalog_bench ${CMAKE_CURRENT_SOURCE_DIR}/catalog_bench.cpp)
    target_link_libraries(catalog_bench PRIVATE qargui qar_datagen_catalog qar_test_support qar_bench_support
        benchmark::benchmark pugixml::pugixml)
endif()
