// Window enumeration into the developer tab's lists (modules StartUpWindowList and
// StartUpChildList). Every look-up of a controller window goes through these rows.
#pragma once

#include <cstdint>

#include "app/form1.hpp"

namespace varnolt {

namespace StartUpWindowList {
// Appends the row of one top-level window and publishes a controller main window in
// StatusBar1 panels 2 to 4. Returns -1: go on enumerating.
std::int32_t EnumTopWindowsProc(Form1& form, Hwnd hwnd, controls::ListView& list);
// EnumWindows with EnumTopWindowsProc: appends every top-level window, topmost first.
void EnumWindows(Form1& form, controls::ListView& list);
}  // namespace StartUpWindowList

namespace StartUpChildList {
// Appends the row of one child window. Returns -1: go on enumerating.
std::int32_t EnumChildWindowsProc(Form1& form, Hwnd hwnd, controls::ListView& list);
// EnumChildWindows with EnumChildWindowsProc: appends every descendant of `parent`.
void EnumChildWindows(Form1& form, Hwnd parent, controls::ListView& list);
}  // namespace StartUpChildList

// True when a caption names the controller's main window.
bool isControllerTitle(std::string_view caption);

// Writes the handle text of every row of ListView3 that matches a control-map rule into
// that entry; a later matching row overwrites an earlier one, unmatched entries are kept.
void fillControlMap(Form1& form);

}  // namespace varnolt
