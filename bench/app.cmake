# The window's two timings: the buffer viewer opening a full 128 KB buffer,
# and the program's start to its main window painted.
if(TARGET tarnquill_ui AND TARGET tarnquill)
  add_executable(app_bench ${CMAKE_CURRENT_SOURCE_DIR}/app_bench.cpp)
  target_link_libraries(app_bench PRIVATE tarnquill_ui benchmark::benchmark)
  target_compile_definitions(app_bench PRIVATE TQ_TARNQUILL_PROGRAM="$<TARGET_FILE:tarnquill>")
  add_dependencies(app_bench tarnquill)
endif()
