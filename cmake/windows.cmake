# The Windows program: one statically linked Varnolt.exe (cross-built with mingw-w64 or
# built on Windows with MinGW), and the driver that tests it through its windows.
enable_language(RC)

set(VARNOLT_WIN32_DEFINITIONS UNICODE _UNICODE NOMINMAX _WIN32_WINNT=0x0A00 WINVER=0x0A00)

# Text conversions and handle owners, shared with the stand-in controller.
add_library(varnolt_win32_util STATIC src/platform/win32/win_util.cpp)
target_include_directories(varnolt_win32_util PUBLIC src)
target_compile_definitions(varnolt_win32_util PUBLIC ${VARNOLT_WIN32_DEFINITIONS})

add_library(varnolt_win32 STATIC
  src/platform/win32/win_platform.cpp
  src/platform/win32/win_clock.cpp
  src/platform/win32/win_regional.cpp
  src/platform/win32/win_codec.cpp
  src/platform/win32/win_files.cpp
  src/platform/win32/win_dialogs.cpp
  src/platform/win32/win_shell.cpp
  src/platform/win32/win_registry.cpp
  src/platform/win32/win_windows.cpp
  src/platform/win32/win_power.cpp
  src/platform/win32/win_integrity.cpp
  src/platform/win32/win_task_scheduler.cpp
  src/platform/win32/win_task_service.cpp
)
target_link_libraries(varnolt_win32 PUBLIC varnolt_core varnolt_win32_util)
target_compile_definitions(varnolt_win32 PUBLIC ${VARNOLT_WIN32_DEFINITIONS})
# The common controls are not among them: Varnolt.exe delay-loads them (below).
target_link_libraries(varnolt_win32 PUBLIC
  user32 gdi32 comdlg32 shell32 ole32 uuid advapi32)

# Icon, manifest and version block.
set(VARNOLT_RES_DIR ${CMAKE_CURRENT_SOURCE_DIR}/src/gui/win32)
set(VARNOLT_ICON ${VARNOLT_RES_DIR}/varnolt.ico)
set(VARNOLT_MANIFEST ${VARNOLT_RES_DIR}/varnolt.manifest)
configure_file(${VARNOLT_RES_DIR}/varnolt.rc.in ${CMAKE_CURRENT_BINARY_DIR}/varnolt.rc @ONLY)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/varnolt.rc PROPERTIES
  OBJECT_DEPENDS "${VARNOLT_ICON};${VARNOLT_MANIFEST};${VARNOLT_RES_DIR}/resource.h")

# The window of the program: every page, widget and message handler; Varnolt.exe is its
# entry point and resources, and the test driver links the parts it tests.
add_library(varnolt_gui_win32 STATIC
  src/gui/win32/main_window.cpp
  src/gui/win32/modal_dialog.cpp
  src/gui/win32/panel.cpp
  src/gui/win32/widget_host.cpp
  src/gui/win32/widget_sync.cpp
  src/gui/win32/widget_messages.cpp
  src/gui/win32/widget_focus.cpp
  src/gui/win32/list_widget.cpp
  src/gui/win32/taskbar_progress.cpp
  src/gui/win32/single_instance_win.cpp
)
target_link_libraries(varnolt_gui_win32 PUBLIC varnolt_win32)

add_executable(Varnolt WIN32 src/gui/win32/main.cpp ${CMAKE_CURRENT_BINARY_DIR}/varnolt.rc)
# comctl32.dll is delay-loaded, at wWinMain's first call into it: it is not one of the
# system's known libraries, and its start-up code loads the visual-styles library by bare
# name (Wine's does). Loaded once wWinMain has restricted the library search to the system
# folder, both come from there; imported, both would be looked for beside the program first.
set(VARNOLT_COMCTL32_DELAY ${CMAKE_CURRENT_BINARY_DIR}/libcomctl32-delay.a)
add_custom_command(OUTPUT ${VARNOLT_COMCTL32_DELAY}
  COMMAND ${CMAKE_DLLTOOL} --input-def ${VARNOLT_RES_DIR}/comctl32.def --dllname comctl32.dll
          --output-delaylib ${VARNOLT_COMCTL32_DELAY}
  DEPENDS ${VARNOLT_RES_DIR}/comctl32.def VERBATIM)
add_custom_target(varnolt_comctl32_delay DEPENDS ${VARNOLT_COMCTL32_DELAY})
add_dependencies(Varnolt varnolt_comctl32_delay)
target_link_libraries(Varnolt PRIVATE varnolt_gui_win32 ${VARNOLT_COMCTL32_DELAY})
# wWinMain; no runtime DLLs beyond the system's; symbols stripped.
target_link_options(Varnolt PRIVATE -municode -static -static-libgcc -static-libstdc++ -s)

# What the end-to-end tests and the Wine benchmarks share: checks, reading another
# process's windows and controls, files, the program and the stand-in as processes, xdotool.
add_library(varnolt_wine_test_support STATIC tests/wine/driver/support.cpp)
target_include_directories(varnolt_wine_test_support PUBLIC tests/wine/driver)
target_compile_definitions(varnolt_wine_test_support PUBLIC ${VARNOLT_WIN32_DEFINITIONS})
target_link_libraries(varnolt_wine_test_support PUBLIC user32 gdi32 comctl32 psapi)

# The end-to-end test driver: operates Varnolt.exe through its windows.
add_executable(varnolt-wine-driver tests/wine/driver/driver.cpp
  tests/wine/driver/launch.cpp tests/wine/driver/realinput.cpp
  tests/wine/driver/recording_list.cpp tests/wine/driver/convert.cpp
  tests/wine/driver/night.cpp tests/wine/driver/power.cpp tests/wine/driver/help.cpp
  tests/wine/driver/night_mends.cpp tests/wine/driver/resume.cpp tests/wine/driver/history.cpp
  tests/wine/driver/crashsafe.cpp tests/wine/driver/taskbar.cpp tests/wine/driver/dllsearch.cpp
  tests/wine/driver/auto_night.cpp)
target_link_libraries(varnolt-wine-driver PRIVATE varnolt_wine_test_support varnolt_gui_win32
  advapi32 ntdll)
target_link_options(varnolt-wine-driver PRIVATE -municode -static -static-libgcc -static-libstdc++ -s)
# What the driver's library-search test plants beside Varnolt.exe, and the probe it
# starts beside a planted library; both are placed beside the driver.
add_library(dll-marker SHARED tests/wine/planted/marker.cpp)
set_target_properties(dll-marker PROPERTIES PREFIX "")
target_compile_definitions(dll-marker PRIVATE ${VARNOLT_WIN32_DEFINITIONS})
target_link_options(dll-marker PRIVATE -static -static-libgcc -static-libstdc++ -s)
add_executable(dll-probe tests/wine/planted/probe.cpp)
target_compile_definitions(dll-probe PRIVATE ${VARNOLT_WIN32_DEFINITIONS})
target_link_options(dll-probe PRIVATE -municode -static -static-libgcc -static-libstdc++ -s)
add_dependencies(varnolt-wine-driver dll-marker dll-probe task-fake-test task-probe
  Varnolt-taskfake)

# The long-list benchmark under Wine (bench/wine/run.sh).
add_executable(varnolt-list-bench bench/wine/list_read_bench.cpp)
target_link_libraries(varnolt-list-bench PRIVATE varnolt_wine_test_support)
target_link_options(varnolt-list-bench PRIVATE -municode -static -static-libgcc -static-libstdc++ -s)

# The start-up benchmark under Wine (bench/wine/startup.sh): the least program with the
# same kind of window, built and linked as Varnolt.exe is, and the launcher that times both.
add_executable(startup-min WIN32 bench/wine/startup_min.cpp bench/wine/startup_min.rc)
target_compile_definitions(startup-min PRIVATE ${VARNOLT_WIN32_DEFINITIONS})
target_link_libraries(startup-min PRIVATE user32 gdi32 comctl32)
target_link_options(startup-min PRIVATE -municode -static -static-libgcc -static-libstdc++ -s)
add_executable(varnolt-startup-bench bench/wine/startup_bench.cpp)
target_link_libraries(varnolt-startup-bench PRIVATE varnolt_wine_test_support)
target_link_options(varnolt-startup-bench PRIVATE -municode -static -static-libgcc -static-libstdc++ -s)

# The Task Scheduler port against a recording stand-in of ITaskService, and the probe of
# what Wine's own scheduler keeps; both run in the Wine suite (group "task"). The
# stand-in's unused methods are generated from the system's taskschd.h.
find_file(VARNOLT_TASKSCHD_H taskschd.h
  PATHS /usr/share/mingw-w64/include /usr/x86_64-w64-mingw32/include NO_CMAKE_FIND_ROOT_PATH)
set(VARNOLT_TASK_NOT_USED ${CMAKE_CURRENT_BINARY_DIR}/taskfake/task_not_used.hpp)
add_custom_command(OUTPUT ${VARNOLT_TASK_NOT_USED}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/taskfake
  COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/tests/wine/taskfake/gen_not_used.py
          ${VARNOLT_TASKSCHD_H} ${VARNOLT_TASK_NOT_USED} ITaskService ITaskFolder
          ITaskDefinition ITaskSettings IPrincipal ITriggerCollection IDailyTrigger
          IActionCollection IExecAction IRegisteredTask
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/wine/taskfake/gen_not_used.py ${VARNOLT_TASKSCHD_H}
  VERBATIM)
add_executable(task-fake-test tests/wine/taskfake/task_fake_test.cpp ${VARNOLT_TASK_NOT_USED})
target_include_directories(task-fake-test PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/taskfake)
target_link_libraries(task-fake-test PRIVATE varnolt_win32 oleaut32)
target_link_options(task-fake-test PRIVATE -municode -static -static-libgcc -static-libstdc++ -s)
add_executable(task-probe tests/wine/taskfake/task_probe.cpp)
target_link_libraries(task-probe PRIVATE varnolt_win32 oleaut32)
target_link_options(task-probe PRIVATE -municode -static -static-libgcc -static-libstdc++ -s)
# Varnolt.exe built with the recording stand-in as its Task Scheduler service (the
# library's own service object is then not linked): the driver clicks the nightly task's
# group and reads the calls from task-calls.log beside it.
add_executable(Varnolt-taskfake WIN32 src/gui/win32/main.cpp ${CMAKE_CURRENT_BINARY_DIR}/varnolt.rc
  tests/wine/taskfake/recording_service.cpp ${VARNOLT_TASK_NOT_USED})
target_include_directories(Varnolt-taskfake PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/taskfake)
add_dependencies(Varnolt-taskfake varnolt_comctl32_delay)
target_link_libraries(Varnolt-taskfake PRIVATE varnolt_gui_win32 oleaut32 ${VARNOLT_COMCTL32_DELAY})
target_link_options(Varnolt-taskfake PRIVATE -municode -static -static-libgcc -static-libstdc++ -s)
