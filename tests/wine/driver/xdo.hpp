// Real mouse and keyboard input: xdotool runs outside Wine on the X display Wine draws on, and
// run.sh serves the requests.
#pragma once

#include "support.hpp"

#include <cstdint>
#include <cstdlib>

namespace winetest {

// A request is a file N.req in the folder WINETEST_XDOTOOL_DIR, one xdotool argument a line;
// the server answers in N.out: the exit status on the first line, xdotool's output after it.
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
    // Written aside and renamed, so the server never reads half a request.
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
  // Input reaches the program later, through the X server: callers wait for its effect. The
  // pause keeps a loop that presses until it sees a change from pressing ahead of the program.
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
  // In the middle of a screen rectangle or of a window.
  bool click(const RECT& r, int button = 1) {
    return click((r.left + r.right) / 2, (r.top + r.bottom) / 2, button);
  }
  bool click(HWND h, int button = 1) { return h && click(rectOf(h), button); }
  bool move(int x, int y) { return run({"mousemove", std::to_string(x), std::to_string(y)}); }
  bool press(bool down) { return run({down ? "mousedown" : "mouseup", "1"}); }
  // Makes `top` the foreground window with the pointer at (x, y) and waits until X agrees: its
  // X window under the pointer and focused. Wine and X can differ for a while (a program that
  // activates itself is on top in X while Wine keeps the old foreground window).
  bool bringToFront(HWND top, int x, int y, int timeoutMs = 15000) {
    const auto mine = reinterpret_cast<std::uintptr_t>(::GetPropW(top, L"__wine_x11_whole_window"));
    return waitFor(
        [&] {
          if (::GetForegroundWindow() != top) ::SetForegroundWindow(top);
          std::string under, focus;
          run({"mousemove", std::to_string(x), std::to_string(y), "getmouselocation"}, &under);
          run({"getwindowfocus"}, &focus);
          const auto at = under.find("window:");
          const auto pointed =
              at == std::string::npos ? 0 : std::strtoul(&under[at + 7], nullptr, 10);
          const auto focused = std::strtoul(focus.c_str(), nullptr, 10);
          return ::GetForegroundWindow() == top && pointed == mine && focused == mine;
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

// "変換先変更" from the pop-up menu of a row of the conversion list, by a right click and keys:
// the path entry dialog Form3, or nullptr. With `checked`, each step is a check.
inline HWND openPathDialog(Xdo& xdo, const Varnolt& v, HWND list, int row, bool checked = false) {
  const RECT r = listItemRect(list, row);
  const int x = r.left + 60, y = (r.top + r.bottom) / 2;
  xdo.bringToFront(v.main, x, y);
  const bool clicked = xdo.click(x, y, 3);
  if (checked) check(clicked, "a right click on row " + std::to_string(row + 1));
  const bool menu = waitFor([&] { return findTop(v.pid(), L"#32768", L"") != nullptr; }, 5000);
  if (checked) check(menu, "the pop-up menu opens");
  if (!menu) return nullptr;
  // Down five times passes over "ファイルを追加..." and the separators to "変換先変更".
  xdo.keys({"Down", "Down", "Down", "Down", "Down", "Return"});
  HWND dialog =
      awaitWindow([&] { return findTop(v.pid(), L"VarnoltDialog", L"変換先変更"); }, 5000);
  if (checked) check(dialog != nullptr, "\"変換先変更\" opens the path entry dialog");
  return dialog;
}

}  // namespace winetest
