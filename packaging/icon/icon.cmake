# The program icon, drawn from the demo's own picture at build time: the
# render tool draws the 640x480 frame of seed 7 at 20 s, and make_icons.py
# cuts the square around its largest lens out of it and scales it to the
# sizes desktops use (build/.../icon/ombrith-N.png) and to a Windows icon
# (ombrith.ico). A cross build has no render tool it can run here: it uses
# the native build's (OMBRITH_NATIVE_RENDER) when that has been built, and
# goes without an icon otherwise.
#
# Sets OMBRITH_ICON_DIR, OMBRITH_ICON_SIZES and, when there is an icon,
# OMBRITH_ICON (the .ico) and the target ombrith_icon.
set(OMBRITH_ICON_DIR ${PROJECT_BINARY_DIR}/icon)
set(OMBRITH_ICON_SIZES 16 32 48 64 128 256)
unset(OMBRITH_ICON)
if(NOT CMAKE_CROSSCOMPILING)
  set(icon_render $<TARGET_FILE:ombrith-render>)
  set(icon_render_target ombrith-render)
elseif(OMBRITH_NATIVE_RENDER AND EXISTS "${OMBRITH_NATIVE_RENDER}")
  set(icon_render ${OMBRITH_NATIVE_RENDER})
  set(icon_render_target ${OMBRITH_NATIVE_RENDER})
else()
  message(STATUS "No icon: no render tool that runs here (OMBRITH_NATIVE_RENDER)")
  return()
endif()

set(icon_frame ${OMBRITH_ICON_DIR}/ombrith640-seed7-frame0000-t20.png)
set(icon_outputs ${OMBRITH_ICON_DIR}/ombrith.ico)
foreach(size IN LISTS OMBRITH_ICON_SIZES)
  list(APPEND icon_outputs ${OMBRITH_ICON_DIR}/ombrith-${size}.png)
endforeach()
add_custom_command(OUTPUT ${icon_outputs}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${OMBRITH_ICON_DIR}
  COMMAND ${icon_render} --variant 640 --seed 7 --time 20 --out ${OMBRITH_ICON_DIR}
  COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/make_icons.py ${icon_frame} 285 24 256
    ${OMBRITH_ICON_DIR} ${OMBRITH_ICON_SIZES}
  DEPENDS ${icon_render_target} ${CMAKE_CURRENT_LIST_DIR}/make_icons.py
  COMMENT "Icon from the demo's picture"
  VERBATIM)
add_custom_target(ombrith_icon ALL DEPENDS ${icon_outputs})
set(OMBRITH_ICON ${OMBRITH_ICON_DIR}/ombrith.ico)
