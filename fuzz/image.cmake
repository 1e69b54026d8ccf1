# The Intel HEX reader under libFuzzer. The image sources are compiled into
# the target itself so that the fuzzer's coverage and the sanitizers reach
# them.
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  get_target_property(TQ_IMAGE_SOURCES tarnquill_image SOURCES)
  get_target_property(TQ_IMAGE_DIR tarnquill_image SOURCE_DIR)
  list(TRANSFORM TQ_IMAGE_SOURCES PREPEND "${TQ_IMAGE_DIR}/")
  add_executable(hex_fuzz ${CMAKE_CURRENT_LIST_DIR}/hex_fuzz.cpp ${TQ_IMAGE_SOURCES})
  target_include_directories(hex_fuzz PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(hex_fuzz PRIVATE tarnquill_core)
  target_compile_options(hex_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(hex_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
else()
  message(STATUS "hex_fuzz needs clang; not built")
endif()
