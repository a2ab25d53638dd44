// The Help menu as a person uses it: Alt+H, H and the F1 key start the HTML Help viewer on
// help.chm beside the program. Wine has no HTML engine here, so the viewer's pages stay
// blank; what is checked is the viewer process, the file on its command line and the
// title the viewer reads from that file.
#include "groups.hpp"
#include "xdo.hpp"

#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <cwctype>

namespace winetest {

namespace {

Xdo xdo;

std::wstring lower(std::wstring s) {
  std::transform(s.begin(), s.end(), s.begin(), [](wchar_t c) { return std::towlower(c); });
  return s;
}

// The command line of another process, read from its process parameters.
std::wstring commandLineOf(DWORD pid) {
  Handle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
  if (!process) return {};
  PROCESS_BASIC_INFORMATION info{};
  if (::NtQueryInformationProcess(process.get(), ProcessBasicInformation, &info, sizeof info,
                                  nullptr) != 0)
    return {};
  SIZE_T done = 0;
  PEB peb{};
  if (!::ReadProcessMemory(process.get(), info.PebBaseAddress, &peb, sizeof peb, &done)) return {};
  RTL_USER_PROCESS_PARAMETERS params{};
  if (!::ReadProcessMemory(process.get(), peb.ProcessParameters, &params, sizeof params, &done))
    return {};
  std::wstring line(params.CommandLine.Length / sizeof(wchar_t), L'\0');
  if (line.empty() || !::ReadProcessMemory(process.get(), params.CommandLine.Buffer, line.data(),
                                           params.CommandLine.Length, &done))
    return {};
  return line;
}

// The viewer's visible top-level windows, once it has shown one.
std::vector<HWND> viewerWindows(DWORD pid, int timeoutMs) {
  std::vector<HWND> found;
  waitFor(
      [&] {
        found.clear();
        for (HWND h : topLevel())
          if (pidOf(h) == pid && ::IsWindowVisible(h)) found.push_back(h);
        return !found.empty();
      },
      timeoutMs);
  return found;
}

std::string describeWindows(const std::vector<HWND>& windows) {
  std::string text;
  for (HWND h : windows)
    text += (text.empty() ? "" : ", ") + utf8(classOf(h) + L" \"" + textOf(h) + L"\"");
  return text.empty() ? "no window" : text;
}

}  // namespace

// The running hh.exe processes.
std::vector<Viewer> viewers() {
  std::vector<Viewer> found;
  Handle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return found;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
       more = ::Process32NextW(snapshot.get(), &entry)) {
    if (lower(entry.szExeFile) == L"hh.exe")
      found.push_back({entry.th32ProcessID, commandLineOf(entry.th32ProcessID)});
  }
  return found;
}

// Waits for a viewer whose command line names `chm`; empty when none comes.
Viewer waitForViewer(const std::wstring& chm, int timeoutMs) {
  Viewer hit;
  waitFor(
      [&] {
        for (const Viewer& v : viewers()) {
          if (lower(v.commandLine).find(lower(chm)) != std::wstring::npos) {
            hit = v;
            return true;
          }
        }
        return false;
      },
      timeoutMs);
  return hit;
}

// Closes the viewer's windows as its close box would; ends it when it does not go.
bool closeViewer(DWORD pid) {
  for (HWND h : viewerWindows(pid, 15000)) ::PostMessageW(h, WM_CLOSE, 0, 0);
  Handle process(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid));
  if (!process) return true;  // already gone
  if (::WaitForSingleObject(process.get(), 30000) == WAIT_OBJECT_0) return true;
  ::TerminateProcess(process.get(), 1);
  ::WaitForSingleObject(process.get(), 5000);
  return false;
}

void helpMenuTests(const Env& env) {
  say("# the Help menu starts the help viewer on help.chm");
  if (!xdo.available()) {
    check(false, "xdotool requests are served (WINETEST_XDOTOOL_DIR)");
    return;
  }
  // Installed as a user unpacks it: the program and its help in one folder, here one
  // whose name has Japanese and a space.
  const std::wstring folder = installVarnolt(env, L"ヘルプ 試験");
  const std::wstring chm = joinPath(folder, L"help.chm");
  check(::CopyFileW(env.helpChm().c_str(), chm.c_str(), FALSE) != 0,
        "help.chm is placed beside Varnolt.exe", utf8(env.helpChm()));
  for (const Viewer& old : viewers()) closeViewer(old.pid);

  Varnolt v(folder);
  if (!v.opened("the main window opens beside its help file")) return;
  xdo.bringToFront(v.main);

  // ヘルプ(&H) > ヘルプ(&H) from the keyboard: Alt+H opens the menu, H chooses the item.
  xdo.keys({"alt+h"});
  xdo.keys({"h"});
  Viewer viewer = waitForViewer(chm, 15000);
  check(viewer.pid != 0, "Alt+H, H starts hh.exe with help.chm beside the program",
        viewers().empty() ? "no hh.exe" : utf8(viewers().front().commandLine));
  if (viewer.pid) {
    // The caption comes from the file's own window definition, in CP932: the viewer has
    // read this help.chm, and its Japanese title arrives intact.
    std::vector<HWND> windows;
    const bool titled = waitFor(
        [&] {
          windows = viewerWindows(viewer.pid, 0);
          return std::any_of(windows.begin(), windows.end(),
                             [](HWND h) { return textOf(h) == L"Varnolt ヘルプ"; });
        },
        15000);
    say("# viewer windows: " + describeWindows(windows));
    check(titled, "the viewer's window is titled \"Varnolt ヘルプ\", read from help.chm",
          describeWindows(windows));
    check(closeViewer(viewer.pid), "the help viewer closes on WM_CLOSE");
  }

  // F1 from the main window: a click on the status line gives it the keyboard first.
  const HWND status = v.child(L"Static", kStarted);
  const RECT r = rectOf(status ? status : v.main);
  const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
  xdo.click(x, y);
  xdo.bringToFront(v.main, x, y);
  xdo.keys({"F1"});
  viewer = waitForViewer(chm, 15000);
  check(viewer.pid != 0, "F1 starts hh.exe with help.chm beside the program",
        viewers().empty() ? "no hh.exe" : utf8(viewers().front().commandLine));
  if (viewer.pid) closeViewer(viewer.pid);
  check(v.running() && !v.messageBox(500), "the program stays open with no message");

  // Without the help file nothing is reported and no viewer comes up for it.
  ::DeleteFileW(chm.c_str());
  xdo.click(x, y);
  xdo.bringToFront(v.main, x, y);
  xdo.keys({"F1"});
  const Viewer missing = waitForViewer(chm, 3000);
  check(missing.pid == 0 && !v.messageBox(1000) && v.running(),
        "F1 without help.chm shows no message from Varnolt and starts no viewer");
  if (missing.pid) closeViewer(missing.pid);
  for (const Viewer& left : viewers()) closeViewer(left.pid);

  v.quit();
  check(v.waitExit(10000), "the program ends on Yes after the help tests");
}

}  // namespace winetest
