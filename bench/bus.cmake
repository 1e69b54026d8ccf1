add_executable(bus_bench ${CMAKE_CURRENT_SOURCE_DIR}/bus_bench.cpp)
target_link_libraries(bus_bench PRIVATE tarnquill_isp tarnquill_sim tarnquill_bus benchmark::benchmark_main)
