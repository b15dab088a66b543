# SPDX-License-Identifier: GPL-3.0-or-later
# The one icon of the suite: an SVG that the desktop's menu shows as it is and from
# which the build renders the window icon's pixels (cmake/render_icon.cpp), so that
# prandel's start-up loads no image or SVG plugin.
set(PRANDEL_APP_ID org.zelkora.Prandel)
set(PRANDEL_ICON_SVG ${PROJECT_SOURCE_DIR}/packaging/desktop/${PRANDEL_APP_ID}.svg)

find_package(Qt6 REQUIRED COMPONENTS Svg)
# A build step, not part of the program: without the sanitizers of a test build,
# which would fail it on Qt's allocations that live until exit.
add_executable(prandel_render_icon ${CMAKE_CURRENT_LIST_DIR}/render_icon.cpp)
target_compile_options(prandel_render_icon PRIVATE -Wall -Wextra -Wold-style-cast $<$<BOOL:${PRANDEL_WERROR}>:-Werror>)
target_link_libraries(prandel_render_icon PRIVATE Qt6::Svg Qt6::Gui)

# prandel_embed_icon(target): the generated header AppIconPixels.h, with the sizes
# a window manager asks for, on target's include path.
function(prandel_embed_icon target)
  set(_header ${CMAKE_CURRENT_BINARY_DIR}/icon/AppIconPixels.h)
  add_custom_command(OUTPUT ${_header}
    COMMAND prandel_render_icon ${PRANDEL_ICON_SVG} ${_header} 16 24 32 48 64
    DEPENDS prandel_render_icon ${PRANDEL_ICON_SVG}
    COMMENT "Drawing the window icon from ${PRANDEL_APP_ID}.svg"
    VERBATIM)
  target_sources(${target} PRIVATE ${_header})
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/icon)
endfunction()
