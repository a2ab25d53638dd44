// Windows of other programs, through timed sends.
#include "platform/win32/win_platform.hpp"

#include <commctrl.h>

#include <algorithm>
#include <vector>

namespace varnolt::win32 {

namespace {

BOOL CALLBACK collect(HWND h, LPARAM out) {
  reinterpret_cast<std::vector<Hwnd>*>(out)->push_back(fromHwnd(h));
  return TRUE;
}

// A message to another program's window; nullopt when it did not answer in time.
std::optional<LRESULT> sendTimed(HWND h, UINT msg, WPARAM w, LPARAM l,
                                 unsigned timeout = kSendTimeoutMs) {
  DWORD_PTR result = 0;
  if (!::SendMessageTimeoutW(h, msg, w, l, SMTO_ABORTIFHUNG, timeout, &result)) return std::nullopt;
  return static_cast<LRESULT>(result);
}

}  // namespace

std::vector<Hwnd> WinWindowSystem::topLevelWindows() {
  std::vector<Hwnd> v;
  ::EnumWindows(collect, reinterpret_cast<LPARAM>(&v));
  return v;
}

std::vector<Hwnd> WinWindowSystem::childWindows(Hwnd parent) {
  std::vector<Hwnd> v;
  ::EnumChildWindows(toHwnd(parent), collect, reinterpret_cast<LPARAM>(&v));
  return v;
}

bool WinWindowSystem::isWindow(Hwnd h) {
  return ::IsWindow(toHwnd(h));
}

std::string WinWindowSystem::className(Hwnd h, int bufferChars) {
  if (bufferChars <= 0) return {};
  std::vector<wchar_t> buf(static_cast<std::size_t>(bufferChars), L'\0');
  const int n = ::GetClassNameW(toHwnd(h), buf.data(), bufferChars);
  return narrow(std::wstring_view(buf.data(), static_cast<std::size_t>(std::max(0, n))));
}

std::string WinWindowSystem::windowText(Hwnd h, int bufferChars) {
  if (bufferChars <= 0) return {};
  std::vector<wchar_t> buf(static_cast<std::size_t>(bufferChars), L'\0');
  const int n = ::GetWindowTextW(toHwnd(h), buf.data(), bufferChars);
  return narrow(std::wstring_view(buf.data(), static_cast<std::size_t>(std::max(0, n))));
}

std::optional<std::string> WinWindowSystem::wholeText(Hwnd h) {
  const HWND window = toHwnd(h);
  auto len = sendTimed(window, WM_GETTEXTLENGTH, 0, 0);
  if (!len) return std::nullopt;
  if (*len <= 0) return std::string();
  std::vector<wchar_t> buf(static_cast<std::size_t>(*len) + 1, L'\0');
  auto got = sendTimed(window, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
  if (!got) return std::nullopt;
  return narrow(
      std::wstring_view(buf.data(), static_cast<std::size_t>(std::max<LRESULT>(0, *got))));
}

std::wstring WinWindowSystem::wideListText(HWND h, int index) {
  auto len = sendTimed(h, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (!len || *len == LB_ERR) return {};
  std::vector<wchar_t> buf(static_cast<std::size_t>(*len) + 1, L'\0');
  auto got =
      sendTimed(h, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buf.data()));
  if (!got || *got == LB_ERR) return {};
  return std::wstring(buf.data(), static_cast<std::size_t>(*got));
}

bool WinWindowSystem::setText(Hwnd h, std::string_view text) {
  const std::wstring w = widen(text);
  return sendTimed(toHwnd(h), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(w.c_str())).has_value();
}

int WinWindowSystem::listBoxCount(Hwnd h) {
  return static_cast<int>(sendTimed(toHwnd(h), LB_GETCOUNT, 0, 0).value_or(0));
}

std::string WinWindowSystem::listBoxText(Hwnd h, int index) {
  return narrow(wideListText(toHwnd(h), index));
}

int WinWindowSystem::listBoxSetCurSel(Hwnd h, int index) {
  return static_cast<int>(
      sendTimed(toHwnd(h), LB_SETCURSEL, static_cast<WPARAM>(index), 0).value_or(LB_ERR));
}

void WinWindowSystem::keyDown(Hwnd h, int virtualKey) {
  sendTimed(toHwnd(h), WM_KEYDOWN, static_cast<WPARAM>(virtualKey), 0);
}

void WinWindowSystem::activate(Hwnd h) {
  sendTimed(toHwnd(h), WM_ACTIVATE, 1, 0);
}

bool WinWindowSystem::click(Hwnd h, platform::ClickMode mode, int timeoutMs) {
  switch (mode) {
    case platform::ClickMode::Posted:
      return ::PostMessageW(toHwnd(h), BM_CLICK, 0, 0);
    case platform::ClickMode::Sent:
      // Waits for the click to be handled; a program that stops answering while it
      // handles it must not freeze an unattended run, so the wait is bounded too.
      return sendTimed(toHwnd(h), BM_CLICK, 0, 0, kSentClickTimeoutMs).has_value();
    case platform::ClickMode::SentWithTimeout:
      return sendTimed(toHwnd(h), BM_CLICK, 0, 0, static_cast<unsigned>(std::max(0, timeoutMs)))
          .has_value();
  }
  return false;
}

int WinWindowSystem::trackbarPos(Hwnd h) {
  return static_cast<int>(sendTimed(toHwnd(h), TBM_GETPOS, 0, 0).value_or(0));
}
int WinWindowSystem::trackbarMin(Hwnd h) {
  return static_cast<int>(sendTimed(toHwnd(h), TBM_GETRANGEMIN, 0, 0).value_or(0));
}
int WinWindowSystem::trackbarMax(Hwnd h) {
  return static_cast<int>(sendTimed(toHwnd(h), TBM_GETRANGEMAX, 0, 0).value_or(0));
}
bool WinWindowSystem::isEnabled(Hwnd h) {
  return ::IsWindowEnabled(toHwnd(h));
}
bool WinWindowSystem::showWindow(Hwnd h, int command) {
  return ::ShowWindow(toHwnd(h), command);
}
bool WinWindowSystem::setForeground(Hwnd h) {
  return ::SetForegroundWindow(toHwnd(h));
}

}  // namespace varnolt::win32
