// The groups of end-to-end tests that driver.cpp runs, one file each.
#pragma once

#include "support.hpp"

namespace winetest {

void startTests(const Env& env);  // the window, its pages, files, quit, version dialog, start time
void controllerLaunchTests(const Env& env);    // the stand-in started or found; the control map
void recordingListTests(const Env& env);       // the controller's list box; titles and sizes read
void conversionTests(const Env& env);          // files dropped and converted; the folder browser
void powerPortTests();                         // the power port with its system calls replaced
void taskbarProgressTests();                   // the taskbar progress with ITaskbarList3 recorded
void crashSafeFileTests(const Env& env);       // log.ini, default.ini, night.ini: crashes and kills
void nightTests(const Env& env);               // whole nights on the stand-in; polling's CPU time
void nightMendTests(const Env& env);           // the night's mends in the real windows
void resumeTests(const Env& env);              // a night continued after a power cut or a kill
void realInputTests(const Env& env);           // real mouse and keyboard input through xdotool
void dpiScreenshots(const Env& env, int dpi);  // the six pages, SHOTS\tabK[-DPIdpi].bmp
void helpMenuTests(const Env& env);            // Alt+H, H and F1 open help.chm in the viewer
void dllSearchTests(const Env& env);  // libraries planted beside Varnolt.exe are never loaded
void historyTests(const Env& env);    // the download history and the add-files item, by real input
void nightlyTaskTests(const Env& env);  // the nightly task's group clicked (Wine's, a recorder)
void autoNightTests(const Env& env);    // Varnolt.exe /auto running a whole night alone

}  // namespace winetest
