# The effect: set-up, frame and whole frame, plain and fast, beside memcpy.
add_executable(bench_effect ${CMAKE_CURRENT_LIST_DIR}/effect_bench.cpp)
target_link_libraries(bench_effect PRIVATE ombrith_effect ombrith_pixelwindow benchmark::benchmark)
