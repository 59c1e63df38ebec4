# The demo in the browser: one module per variant (ombrith320.js + .wasm and
# ombrith640.js + .wasm), loaded by the page in web/. The program waits for
# the page through Asyncify (the EM_ASYNC_JS waits of platform/web).
if(NOT EMSCRIPTEN)
  return()
endif()
foreach(variant 320 640)
  add_executable(ombrith${variant}_web ${CMAKE_CURRENT_LIST_DIR}/web/ombrith_web.cpp)
  target_compile_definitions(ombrith${variant}_web PRIVATE OMBRITH_WEB_VARIANT=${variant})
  target_link_libraries(ombrith${variant}_web PRIVATE
    ombrith_effect ombrith_pixelwindow ombrith_platform_display ombrith_runtime)
  set_target_properties(ombrith${variant}_web PROPERTIES OUTPUT_NAME ombrith${variant} SUFFIX ".js")
  target_link_options(ombrith${variant}_web PRIVATE
    -sASYNCIFY -sMODULARIZE -sEXPORT_NAME=OmbrithModule${variant}
    -sENVIRONMENT=web -sINVOKE_RUN=0 -sFILESYSTEM=0
    -sEXPORTED_RUNTIME_METHODS=callMain,HEAPU8)
endforeach()
