// Real mouse and keyboard input for the end-to-end tests: xdotool runs outside Wine, on
// the X display Wine draws on; run.sh serves the requests.
#pragma once

#include "support.hpp"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace winetest {

// Requests are files in a folder (from the environment variable WINETEST_XDOTOOL_DIR): one xdotool
// argument a line in N.req; the server writes N.out with the exit status on its first
// line and xdotool's output after it.
class Xdo {
 public:
  Xdo() {
    wchar_t b[MAX_PATH] = {};
    if (::GetEnvironmentVariableW(L"WINETEST_XDOTOOL_DIR", b, MAX_PATH)) dir_ = b;
  }
  bool available() const { return !dir_.empty() && exists(dir_); }

  bool run(const std::vector<std::string>& args, std::string* output = nullptr) {
    if (!available()) return false;
    const std::wstring base = joinPath(dir_, std::to_wstring(100000 + next_++));
    std::string text;
    for (const std::string& a : args) text += a + "\n";
    if (!writeFile(base + L".tmp", text) ||
        !::MoveFileW((base + L".tmp").c_str(), (base + L".req").c_str()))
      return false;
    const std::wstring out = base + L".out";
    if (!waitFor([&] { return exists(out); }, 15000)) return false;
    const std::string got = readFile(out);
    ::DeleteFileW(out.c_str());
    const std::size_t eol = got.find('\n');
    if (output) *output = eol == std::string::npos ? std::string() : got.substr(eol + 1);
    return got.rfind("0", 0) == 0 && (eol == 1 || got.size() == 1);
  }

  // The events reach the program through the X server and its own message queue, later:
  // callers wait for what the events lead to.
  // A short pause after each input, so that a loop that presses until it sees a change
  // (Ctrl+Tab until a page shows) does not press ahead of the program; checks still wait
  // for the state they expect.
  static bool settled(bool ok) {
    ::Sleep(250);
    return ok;
  }
  bool keys(const std::vector<std::string>& chords) {
    std::vector<std::string> a{"key", "--delay", "60"};
    a.insert(a.end(), chords.begin(), chords.end());
    return settled(run(a));
  }
  bool type(const std::string& textUtf8) {
    return settled(run({"type", "--delay", "80", textUtf8}));
  }
  // Button 1 is the left, 3 the right one.
  bool click(int x, int y, int button = 1) {
    return settled(run({"mousemove", std::to_string(x), std::to_string(y), "sleep", "0.1", "click",
                        std::to_string(button)}));
  }
  // A click in the middle of a rectangle on the screen, or of a window.
  bool click(const RECT& r, int button = 1) {
    return click((r.left + r.right) / 2, (r.top + r.bottom) / 2, button);
  }
  bool click(HWND h, int button = 1) { return h && click(rectOf(h), button); }
  bool move(int x, int y) { return run({"mousemove", std::to_string(x), std::to_string(y)}); }
  bool press(bool down) { return run({down ? "mousedown" : "mouseup", "1"}); }

  // The X window under the pointer once it is moved to (x, y), and the one holding the X
  // input focus; 0 when xdotool does not tell.
  std::pair<unsigned long, unsigned long> windowsAt(int x, int y) {
    std::string under, focus;
    run({"mousemove", std::to_string(x), std::to_string(y), "getmouselocation"}, &under);
    run({"getwindowfocus"}, &focus);
    const auto at = under.find("window:");
    return {at == std::string::npos ? 0 : std::strtoul(under.c_str() + at + 7, nullptr, 10),
            std::strtoul(focus.c_str(), nullptr, 10)};
  }

  // Makes `top` the foreground window with the pointer at (x, y) and waits until the
  // display has it there too: its X window under the pointer and holding the X input
  // focus, so that the next keys and clicks reach it. Wine's view and the X server's can
  // differ for a while: a program that activates its own window gets its X window
  // stacked on top and focused while Wine still counts the other window as the
  // foreground one, and SetForegroundWindow on that one changes nothing until Wine has
  // read the lost focus.
  bool bringToFront(HWND top, int x, int y, int timeoutMs = 15000) {
    const auto mine = reinterpret_cast<std::uintptr_t>(::GetPropW(top, L"__wine_x11_whole_window"));
    return waitFor(
        [&] {
          if (::GetForegroundWindow() != top) ::SetForegroundWindow(top);
          const auto [under, focus] = windowsAt(x, y);
          return ::GetForegroundWindow() == top && under == mine && focus == mine;
        },
        timeoutMs);
  }
  bool bringToFront(HWND top) {
    const RECT r = rectOf(top);
    return bringToFront(top, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }

  // Out of the way of every control, so no hover look stays in a screenshot.
  void parkMouse() { run({"mousemove", "1590", "1190"}); }

 private:
  std::wstring dir_;
  // Shared by every instance: request names never repeat within one run.
  static inline int next_ = 0;
};

// "変換先変更" from the pop-up menu of a row of the conversion list, by a right click and
// the keys: the path entry dialog Form3, or nullptr. With `checked`, each step is a check.
HWND openPathDialog(Xdo& xdo, const Varnolt& v, HWND list, int row, bool checked = false);

}  // namespace winetest
