// The windows that hold other controls: tab pages, frames and pictures. They pass their
// children's notifications on to the top-level window, which owns every handler.
#pragma once

#include "platform/win32/win_util.hpp"

namespace varnolt::gui {

// Sent by a panel to the top window when a child without click notifications (a
// progress bar, a picture) is pressed; wParam is the child's handle.
inline constexpr UINT kMsgChildPressed = WM_APP + 1;

inline constexpr wchar_t kPanelClass[] = L"VarnoltPanel";

void registerPanelClass(HINSTANCE instance);

// Makes a panel draw itself as a frame: an etched border, its text as the caption.
void showAsGroupBox(HWND panel);

}  // namespace varnolt::gui
