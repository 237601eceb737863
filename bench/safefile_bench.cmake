# Durable saves against unsynced ones, and settings bursts one by one against one batch.
add_executable(safefile_bench ${CMAKE_CURRENT_SOURCE_DIR}/safefile_bench.cpp)
target_link_libraries(safefile_bench PRIVATE qar_common qarcore_settings benchmark::benchmark)
