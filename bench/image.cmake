add_executable(hex_load_bench ${CMAKE_CURRENT_SOURCE_DIR}/hex_load_bench.cpp)
target_link_libraries(hex_load_bench PRIVATE tarnquill_image benchmark::benchmark_main)
