# The libFuzzer target over the whole core, instrumented (clang only; see
# fuzz/fuzz_text.cpp).
foreach(library wendex_text wendex_host wendex_logic_objects)
  target_compile_options(${library} PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
endforeach()
add_executable(wendex_fuzz fuzz/fuzz_text.cpp)
target_compile_options(wendex_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_options(wendex_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_libraries(wendex_fuzz PRIVATE wendex_logic)
