# ombrith-keys: prints the keys that the console key path reads.
if(EMSCRIPTEN)
  return()  # the browser build has its own programs (web.cmake)
endif()
add_executable(ombrith-keys ${CMAKE_CURRENT_LIST_DIR}/ombrith_keys.cpp)
target_link_libraries(ombrith-keys PRIVATE ombrith_runtime)
