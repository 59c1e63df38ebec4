# The browser's whole frame under node (bench_web_frame.js); the web build
# includes this list itself, since the other benchmarks need Google
# Benchmark.
if(NOT EMSCRIPTEN)
  return()
endif()
add_executable(bench_web_frame ${CMAKE_CURRENT_LIST_DIR}/web_frame_bench.cpp)
target_link_libraries(bench_web_frame PRIVATE ombrith_effect ombrith_pixelwindow)
set_target_properties(bench_web_frame PROPERTIES SUFFIX ".js")
target_link_options(bench_web_frame PRIVATE -sENVIRONMENT=node)
