# Runtime: the per-frame key test and temporary strings.
add_executable(bench_runtime_keys ${CMAKE_CURRENT_LIST_DIR}/runtime_keys_bench.cpp)
target_link_libraries(bench_runtime_keys PRIVATE ombrith_runtime benchmark::benchmark)
