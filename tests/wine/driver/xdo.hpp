// Real mouse and keyboard input for the end-to-end tests: xdotool runs outside Wine, on
// the X display Wine draws on; run.sh serves the requests.
#pragma once

#include "support.hpp"

#include <string>
#include <vector>

namespace vt {

// Requests are files in a folder (from the environment variable VT_XDO): one xdotool
// argument a line in N.req; the server writes N.out with the exit status on its first
// line and xdotool's output after it.
class Xdo {
 public:
  Xdo() {
    wchar_t b[MAX_PATH] = {};
    if (::GetEnvironmentVariableW(L"VT_XDO", b, MAX_PATH)) dir_ = b;
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

  // Events reach the program through its own message queue: wait until it is idle.
  bool keys(const std::vector<std::string>& chords) {
    std::vector<std::string> a{"key", "--delay", "60"};
    a.insert(a.end(), chords.begin(), chords.end());
    const bool ok = run(a);
    ::Sleep(250);
    return ok;
  }
  bool type(const std::string& textUtf8) {
    const bool ok = run({"type", "--delay", "80", textUtf8});
    ::Sleep(250);
    return ok;
  }
  // Button 1 is the left, 3 the right one.
  bool click(int x, int y, int button = 1) {
    const bool ok = run({"mousemove", std::to_string(x), std::to_string(y), "sleep", "0.1", "click",
                         std::to_string(button)});
    ::Sleep(300);
    return ok;
  }
  bool drag(int x, int y, int dx, int dy) {
    std::vector<std::string> a{"mousemove",
                               std::to_string(x),
                               std::to_string(y),
                               "sleep",
                               "0.2",
                               "mousedown",
                               "1",
                               "sleep",
                               "0.2"};
    for (int step = 1; step <= 8; ++step) {
      a.insert(a.end(), {"mousemove", std::to_string(x + dx * step / 8),
                         std::to_string(y + dy * step / 8), "sleep", "0.05"});
    }
    a.insert(a.end(), {"sleep", "0.2", "mouseup", "1"});
    const bool ok = run(a);
    ::Sleep(600);
    return ok;
  }
  // Out of the way of every control, so no hover look stays in a screenshot.
  void parkMouse() { run({"mousemove", "1590", "1190"}); }

 private:
  std::wstring dir_;
  // Shared by every instance: request names never repeat within one run.
  static inline int next_ = 0;
};

}  // namespace vt
