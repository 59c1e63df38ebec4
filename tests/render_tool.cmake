if(TARGET ombrith-render AND NOT WIN32)
  find_package(PNG REQUIRED)
  ombrith_test(render_tool_test LABEL unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/render_tool_test.cpp
            ${PROJECT_SOURCE_DIR}/programs/render/png_file_libpng.cpp
            ${PROJECT_SOURCE_DIR}/programs/render/output_file.cpp
    LIBS ombrith_effect ombrith_render_options PNG::PNG)
  target_compile_definitions(render_tool_test PRIVATE
    OMBRITH_RENDER_PATH="$<TARGET_FILE:ombrith-render>")
  add_dependencies(render_tool_test ombrith-render)
endif()
