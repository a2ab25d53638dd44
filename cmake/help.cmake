# The user guide: docs/help compiled into help.chm beside the program (target
# varnolt_help, output <build dir>/help.chm), with the tab screenshots as its pictures.
# chmcmd's time stamps are fixed after compiling, so the same sources give the same bytes.
find_program(VARNOLT_CHMCMD chmcmd REQUIRED)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(VARNOLT_HELP_CHM ${CMAKE_BINARY_DIR}/help.chm)
file(GLOB varnolt_help_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/help/*)
set(varnolt_help_pictures)
foreach(k RANGE 0 5)
  list(APPEND varnolt_help_pictures ${PROJECT_SOURCE_DIR}/docs/screenshots/tab${k}.png)
endforeach()
set(varnolt_help_picture_args)
foreach(picture ${varnolt_help_pictures})
  list(APPEND varnolt_help_picture_args --picture ${picture})
endforeach()

add_custom_command(OUTPUT ${VARNOLT_HELP_CHM}
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/help/build_help.py
          --chmcmd ${VARNOLT_CHMCMD} --src ${PROJECT_SOURCE_DIR}/docs/help
          ${varnolt_help_picture_args} --stage ${CMAKE_BINARY_DIR}/help-stage
          --out ${VARNOLT_HELP_CHM}
  DEPENDS ${varnolt_help_sources} ${varnolt_help_pictures}
          ${PROJECT_SOURCE_DIR}/tools/help/build_help.py
  COMMENT "Compiling help.chm"
  VERBATIM)
add_custom_target(varnolt_help ALL DEPENDS ${VARNOLT_HELP_CHM})
