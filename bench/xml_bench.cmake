# The XML engine against pugixml on generated files of the system's shapes.
find_package(pugixml REQUIRED)
add_executable(xml_bench ${CMAKE_CURRENT_SOURCE_DIR}/xml_bench.cpp)
target_link_libraries(xml_bench PRIVATE qar_common qarcore_xml qar_bench_support benchmark::benchmark
    pugixml::pugixml)
