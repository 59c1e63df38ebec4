# Row converters: a whole frame into each layout beside memcpy.
add_executable(bench_converters ${CMAKE_CURRENT_LIST_DIR}/converters_bench.cpp)
target_link_libraries(bench_converters PRIVATE ombrith_pixelwindow benchmark::benchmark)
