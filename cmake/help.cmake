# The user guide: docs/help compiled into help.chm beside the program (target
# varnolt_help, output <build dir>/help.chm), with the screenshots of the tabs and
# the version dialog as its pictures.
# chmcmd's time stamps are fixed after compiling, so the same sources give the same bytes
# (SOURCE_DATE_EPOCH, when set while the file is built, gives the stamp).
# The pages, the contents and the index are CP932 text with CR LF, as the viewer of a
# Japanese system reads them: edit them with an editor set to Shift_JIS. The project
# keeps the index as text (Binary Index=No): chmcmd's binary index turns Japanese names
# into question marks and leaves two of its bytes uninitialised (a different file each run).
find_program(VARNOLT_CHMCMD chmcmd REQUIRED)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(VARNOLT_HELP_CHM ${CMAKE_BINARY_DIR}/help.chm)
# Files only: docs/help/rendered holds the pages as a browser shows them, for people to
# look at (tests/help/render_help.py), not part of the help.
file(GLOB varnolt_help_sources LIST_DIRECTORIES false CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/help/*)
set(varnolt_help_pictures)
foreach(k RANGE 0 5)
  list(APPEND varnolt_help_pictures ${PROJECT_SOURCE_DIR}/docs/screenshots/tab${k}.png)
endforeach()
list(APPEND varnolt_help_pictures ${PROJECT_SOURCE_DIR}/docs/screenshots/about-96dpi.png)
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

if(VARNOLT_TESTS AND NOT WIN32)
  # The built file read back with chmlib: pages, pictures, contents, index and links.
  add_test(NAME help.contents
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tests/help/check_help.py contents
            --chm ${VARNOLT_HELP_CHM} --src ${PROJECT_SOURCE_DIR}/docs/help
            --pictures ${PROJECT_SOURCE_DIR}/docs/screenshots)
  # Every message box text of the program is explained on the troubleshooting page.
  add_test(NAME help.messages
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tests/help/check_help.py messages
            --src ${PROJECT_SOURCE_DIR}/docs/help --sources ${PROJECT_SOURCE_DIR}/src)
  # Two builds in two folders at two moments give the same bytes.
  add_test(NAME help.reproducible
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tests/help/check_help.py repro
            --build-script ${PROJECT_SOURCE_DIR}/tools/help/build_help.py
            --chmcmd ${VARNOLT_CHMCMD} --src ${PROJECT_SOURCE_DIR}/docs/help
            --pictures ${PROJECT_SOURCE_DIR}/docs/screenshots
            --work ${CMAKE_BINARY_DIR}/help-repro)
endif()
