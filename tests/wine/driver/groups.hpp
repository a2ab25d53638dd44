// The groups of end-to-end tests that driver.cpp runs, one file each.
#pragma once

#include "support.hpp"

namespace winetest {

// Two starts in an empty folder: the window, its pages, the quit question and the files
// written; the version dialog; the start-up time (driver.cpp).
void startTests(const Env& env);
// The controller launch: starting the stand-in RokuCtrl.exe from its registered path,
// an already running one, a missing one; the control map against the stand-in's report.
void controllerLaunchTests(const Env& env);
// The recording list: the controller's list box as Varnolt drives it, and the list read
// with Japanese titles and sizes.
void recordingListTests(const Env& env);
// Files dropped on the conversion list and converted through the stand-in RokuCtrl.exe;
// the folder browser confirms only file-system folders.
void conversionTests(const Env& env);
// The Windows backend's power port with its system calls replaced.
void powerPortTests();
// The taskbar button's progress with ITaskbarList3 replaced by a recorder.
void taskbarProgressTests();
// log.ini and default.ini through the quit with the file port's steps crashed or failed,
// and Varnolt.exe killed while it writes a 100,000-line log (VARNOLT_KILL_RUNS times,
// default 10: each run first waits for the start with that log) and, with the stand-in
// controller, while it writes the journal night.ini of a resumed night (as many times).
void crashSafeFileTests(const Env& env);
// A whole night on the stand-in controller, ending with choice 6 and with choice 5, and
// the CPU time of one 60-second transfer's polling.
void nightTests(const Env& env);
// The night's mends seen in the real windows: Check3 after a restart with the delete
// switch stored (SHOTS\restart-check3.bmp), a failed night's warning box, the renamed file
// of a transfer cut by a vanished controller.
void nightMendTests(const Env& env);
// An interrupted night continued: a power cut and a kill of Varnolt.exe alone in the middle
// of a transfer, the question after the restart answered by a real click.
void resumeTests(const Env& env);
// Real mouse and keyboard input through xdotool (served by run.sh): typing, keyboard
// access, resizing by the window corner; clicks on a list's rows, Enter and Esc in the path
// entry dialog, the arrow keys among option buttons.
void realInputTests(const Env& env);
// The six pages at `dpi`, as SHOTS\tabK.bmp (96) or SHOTS\tabK-DPIdpi.bmp.
void dpiScreenshots(const Env& env, int dpi);
// The Help menu (Alt+H, H) and F1 start the help viewer on help.chm beside the program.
void helpMenuTests(const Env& env);
// Libraries planted beside Varnolt.exe under system libraries' names are never loaded:
// not at start-up, the file dialog, the folder browser, the help or a drop (with a probe
// showing first that Wine loads a planted library unless the search is restricted).
void dllSearchTests(const Env& env);
// The download history and the conversion list's add-files item, by real keys and clicks:
// Ctrl+D, Ctrl+N, the recording list's pop-up menu, grey rows, the context-menu key on the
// empty conversion list and the Open dialog.
void historyTests(const Env& env);
// The nightly task's group clicked in the real window: Wine's own scheduler refusing, and
// a build of Varnolt with a recording Task Scheduler service (auto_night.cpp).
void nightlyTaskTests(const Env& env);
// Varnolt.exe /auto running a whole night alone (auto_night.cpp).
void autoNightTests(const Env& env);

}  // namespace winetest
