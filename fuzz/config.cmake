# The INI reader and writer under libFuzzer. The config sources are compiled
# into the target itself so that the fuzzer's coverage reaches them.
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  add_executable(ini_fuzz
    ${CMAKE_CURRENT_LIST_DIR}/ini_fuzz.cpp
    ${CMAKE_SOURCE_DIR}/config/ConfigFile.cpp
    ${CMAKE_SOURCE_DIR}/config/IniDocument.cpp
    ${CMAKE_SOURCE_DIR}/config/McuTable.cpp)
  target_include_directories(ini_fuzz PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(ini_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(ini_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
else()
  message(STATUS "ini_fuzz needs clang; not built")
endif()
