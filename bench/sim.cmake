add_executable(sim_bench ${CMAKE_CURRENT_SOURCE_DIR}/sim_bench.cpp)
target_link_libraries(sim_bench PRIVATE tarnquill_isp tarnquill_sim tarnquill_bus benchmark::benchmark_main)
