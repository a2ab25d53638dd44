// The clock and the message pump on the system's.
#include "platform/win32/win_platform.hpp"

#include <algorithm>

namespace varnolt::win32 {

using platform::DateTime;

DateTime WinClock::now() {
  SYSTEMTIME st;
  ::GetLocalTime(&st);
  return {st.wYear,   st.wMonth,  st.wDay,          st.wHour,
          st.wMinute, st.wSecond, st.wMilliseconds, st.wDayOfWeek};
}

std::int64_t WinClock::ticks() {
  return static_cast<std::int64_t>(::GetTickCount64());
}

void WinClock::sleep(int milliseconds) {
  ::Sleep(static_cast<DWORD>(std::max(0, milliseconds)));
}

void WinClock::doEvents() {
  // One pass over what is queued now; a bound keeps a flood of posted messages from
  // turning one pass into an endless loop.
  MSG msg;
  for (int i = 0; i < 10000 && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (preTranslate && preTranslate(msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

}  // namespace varnolt::win32
