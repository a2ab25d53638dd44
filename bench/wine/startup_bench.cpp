// varnolt-startup-bench [--log LOG_INI] RUNS MIN_EXE VARNOLT_EXE VARNOLT_FOLDER
//                       [OTHER_EXE OTHER_FOLDER]
//
// Start-up under Wine, side by side with the least a program of the same kind does
// (startup-min.exe, beside this file). Both programs are started alternately (in the
// order A B B A, so that a drift of the machine falls on both alike) RUNS times each,
// and measured the same way from here:
//   visible  from just before CreateProcess until a visible top-level window of the new
//            process with the expected class and caption exists (polled every
//            millisecond);
//   ready    from the same start until that window's thread has answered a message sent
//            to it, i.e. its start-up has returned to the message loop with the window
//            painted.
// Each started process is then ended (TerminateProcess) and its windows are gone before
// the next start. Varnolt.exe runs once untimed first, closed through its window, so
// that the timed starts read the default.ini and log.ini a user has. OTHER_EXE, another
// build of Varnolt.exe (an earlier commit), takes its turn after Varnolt in each round,
// so that two builds are compared under the same conditions.
//
// With --log, LOG_INI is copied to log.ini in the folder of Varnolt before each of its
// starts, and each start, once ready, is timed a third time:
//   log tab  from a click on the "ログ" tab (SendInput: a real click through the system's
//            input queue, at the middle of the tab) until the log box shows the log: its
//            client area, below the lines of this run, is on the screen as it was in the
//            untimed start when it had settled (the window answering and a second gone).
//            Screen pixels, read through the screen's device context every millisecond,
//            are what the user sees: neither a message nor the window's text can tell a
//            painted box from one still laying out or not painted yet.
#include "support.hpp"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace winetest;

namespace {

struct Program {
  std::string name;
  std::wstring exe, folder, cls, caption;
  std::vector<double> visible, ready, logTab;
  // The settled log box (see logTabShown); empty until the untimed start took it.
  std::vector<BYTE> settled;
};

// Read from the system's copy of the caption (GetWindowTextW sends no message to another
// process's window): a window is seen the moment it is shown, whatever its thread does.
std::wstring captionOf(HWND h) {
  wchar_t b[64] = {};
  const int n = ::GetWindowTextW(h, b, 64);
  return std::wstring(b, static_cast<std::size_t>(std::max(0, n)));
}

HWND shownWindow(DWORD pid, const std::wstring& cls, const std::wstring& caption) {
  for (HWND h : topLevel())
    if (pidOf(h) == pid && ::IsWindowVisible(h) && classOf(h) == cls && captionOf(h) == caption)
      return h;
  return nullptr;
}

// The pixels of the log box's client area below its first quarter (the lines written by
// this run, with their times, lie above), as the screen shows them.
std::vector<BYTE> logPixels(HWND box) {
  RECT r;
  ::GetClientRect(box, &r);
  POINT at{0, r.bottom / 4};
  ::ClientToScreen(box, &at);
  const int w = r.right, h = r.bottom - r.bottom / 4;
  if (w <= 0 || h <= 0) return {};
  HDC screen = ::GetDC(nullptr);
  HDC mem = ::CreateCompatibleDC(screen);
  HBITMAP bmp = ::CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = ::SelectObject(mem, bmp);
  ::BitBlt(mem, 0, 0, w, h, screen, at.x, at.y, SRCCOPY);
  ::SelectObject(mem, old);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  std::vector<BYTE> px(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4);
  ::GetDIBits(mem, bmp, 0, static_cast<UINT>(h), px.data(), &bi, DIB_RGB_COLORS);
  ::DeleteObject(bmp);
  ::DeleteDC(mem);
  ::ReleaseDC(nullptr, screen);
  return px;
}

HWND shownLogBox(HWND main) {
  for (HWND h : children(main))
    if (::IsWindowVisible(h) && classOf(h) == L"Edit" &&
        (::GetWindowLongW(h, GWL_STYLE) & ES_MULTILINE))
      return h;
  return nullptr;
}

// Clicks the "ログ" tab of a ready Varnolt and returns the milliseconds until its log box
// shows the settled pixels (-1: not within 60 s). Without them yet (the untimed start),
// waits for the box to settle and takes them.
double logTabShown(Program& p, HWND main) {
  HWND tab = nullptr;
  for (HWND h : children(main))
    if (classOf(h) == L"SysTabControl32") tab = h;
  int index = -1;
  for (int i = 0; tab && i < sendTimed(tab, TCM_GETITEMCOUNT); ++i)
    if (tabText(tab, i) == L"ログ") index = i;
  if (index < 0) return -1;
  RECT r = remoteRect(tab, TCM_GETITEMRECT, static_cast<WPARAM>(index));
  POINT at{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ::ClientToScreen(tab, &at);
  ::SetCursorPos(at.x, at.y);
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  const auto start = std::chrono::steady_clock::now();
  ::SendInput(2, in, sizeof(INPUT));
  if (p.settled.empty()) {
    HWND box = nullptr;
    waitFor([&] { return (box = shownLogBox(main)) != nullptr; }, 60000);
    DWORD_PTR ignored = 0;
    if (!box || !::SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &ignored))
      return -1;
    ::Sleep(1000);
    p.settled = logPixels(box);
    return msSince(start);
  }
  while (msSince(start) < 60000) {
    if (HWND box = shownLogBox(main); box && logPixels(box) == p.settled) return msSince(start);
    ::Sleep(1);
  }
  return -1;
}

bool anyWindowOf(DWORD pid) {
  for (HWND h : topLevel())
    if (pidOf(h) == pid) return true;
  return false;
}

// One timed start; false when the window did not come within 20 s or the log box not
// within 60 s. `logTemplate`, when not empty, is copied to log.ini beside Varnolt first,
// and its log tab is timed.
bool timedStart(Program& p, const std::wstring& logTemplate) {
  const bool varnolt = p.cls == L"VarnoltMain";
  if (varnolt && !logTemplate.empty())
    ::CopyFileW(logTemplate.c_str(), joinPath(p.folder, L"log.ini").c_str(), FALSE);
  std::wstring command = L"\"" + p.exe + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  const auto start = std::chrono::steady_clock::now();
  if (!::CreateProcessW(p.exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        p.folder.c_str(), &si, &pi))
    return false;
  Handle process(pi.hProcess), thread(pi.hThread);
  HWND main = nullptr;
  while (!main && msSince(start) < 20000) {
    main = shownWindow(pi.dwProcessId, p.cls, p.caption);
    if (!main) ::Sleep(1);
  }
  bool ok = main != nullptr;
  if (ok) {
    const double visible = msSince(start);
    DWORD_PTR ignored = 0;
    ok = ::SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &ignored) != 0;
    if (ok) {
      p.visible.push_back(visible);
      p.ready.push_back(msSince(start));
    }
    if (ok && varnolt && !logTemplate.empty()) {
      const double shown = logTabShown(p, main);
      ok = shown >= 0;
      if (ok) p.logTab.push_back(shown);
    }
  }
  ::TerminateProcess(process.get(), 0);
  ::WaitForSingleObject(process.get(), 10000);
  waitFor([&] { return !anyWindowOf(pi.dwProcessId); }, 5000);
  // The display settles after the window went.
  ::Sleep(200);
  return ok;
}

std::string figures(std::vector<double> v) {
  if (v.empty()) return "no run";
  std::sort(v.begin(), v.end());
  char b[96];
  std::snprintf(b, sizeof b, "min %4.0f  median %4.0f  max %4.0f ms", v.front(), v[v.size() / 2],
                v.back());
  return b;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// The median of the rounds' own ratios: each round's starts follow each other closely, so
// a machine that is slower for a while slows both sides of the ratio alike. Without a
// start in every round there are no rounds to pair.
std::string pairedRatio(const std::vector<double>& a, const std::vector<double>& b) {
  if (a.size() != b.size() || a.empty()) return "none (a start failed)";
  std::vector<double> r;
  for (std::size_t i = 0; i < a.size(); ++i) r.push_back(a[i] / std::max(1.0, b[i]));
  char text[16];
  std::snprintf(text, sizeof text, "%.2f", median(r));
  return text;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring logTemplate;
  if (argc > 2 && std::wstring(argv[1]) == L"--log") {
    logTemplate = argv[2];
    argc -= 2;
    argv += 2;
  }
  if (argc != 5 && argc != 7) {
    say("usage: varnolt-startup-bench [--log LOG_INI] RUNS MIN_EXE VARNOLT_EXE VARNOLT_FOLDER "
        "[OTHER_EXE OTHER_FOLDER]");
    return 2;
  }
  const int runs = std::max(1, _wtoi(argv[1]));
  const std::wstring minExe = argv[2];
  const std::wstring minFolder = minExe.substr(0, minExe.find_last_of(L'\\'));
  Program minimal{"minimal", minExe, minFolder, L"StartupMin", L"Varnolt", {}, {}, {}, {}};
  Program varnolt{"Varnolt", argv[3], argv[4], L"VarnoltMain", L"Varnolt", {}, {}, {}, {}};
  Program other{"other",
                argc == 7 ? argv[5] : L"",
                argc == 7 ? argv[6] : L"",
                L"VarnoltMain",
                L"Varnolt",
                {},
                {},
                {},
                {}};
  std::vector<Program*> varnolts{&varnolt};
  if (argc == 7) varnolts.push_back(&other);

  for (Program* p : varnolts) {
    // The first start writes default.ini and log.ini at its quit, as a user's does.
    Varnolt first(p->exe, p->folder);
    if (!first.main) {
      say(utf8(p->exe) + " did not show its window");
      return 1;
    }
    ::PostMessageW(first.main, WM_CLOSE, 0, 0);
    if (HWND box = first.messageBox(5000)) answer(box, IDYES);
    if (!first.waitExit(10000)) say("warning: the untimed first run did not end");
  }
  std::vector<Program*> all{&minimal};
  all.insert(all.end(), varnolts.begin(), varnolts.end());
  // One untimed start of each: the system's own files are in the cache for all alike (and
  // the settled log box is taken).
  for (Program* p : all) {
    timedStart(*p, logTemplate);
    p->visible.clear();
    p->ready.clear();
    p->logTab.clear();
  }

  int failed = 0;
  for (int i = 0; i < runs; ++i) {
    if (i % 2 == 0) failed += !timedStart(minimal, logTemplate);
    for (Program* p : varnolts) failed += !timedStart(*p, logTemplate);
    if (i % 2 == 1) failed += !timedStart(minimal, logTemplate);
  }
  say("start-up under Wine, " + std::to_string(runs) + " runs each, alternating:");
  for (Program* p : all) {
    say("  " + p->name + std::string(10 - p->name.size(), ' ') + "visible  " + figures(p->visible));
    say("            ready    " + figures(p->ready));
    if (!p->logTab.empty()) say("            log tab  " + figures(p->logTab));
  }
  for (Program* p : varnolts) {
    char ratio[128];
    std::snprintf(ratio, sizeof ratio, "ratio %s / minimal (medians): visible %.2f, ready %.2f",
                  p->name.c_str(), median(p->visible) / std::max(1.0, median(minimal.visible)),
                  median(p->ready) / std::max(1.0, median(minimal.ready)));
    say(ratio);
    say("  per round (median of the rounds' ratios): visible " +
        pairedRatio(p->visible, minimal.visible) + ", ready " +
        pairedRatio(p->ready, minimal.ready));
  }
  if (argc == 7 && !logTemplate.empty())
    say(std::string("the two builds' settled log boxes are ") +
        (varnolt.settled == other.settled ? "alike" : "NOT alike"));
  if (failed) say(std::to_string(failed) + " starts failed (window or log tab)");
  return failed ? 1 : 0;
}
