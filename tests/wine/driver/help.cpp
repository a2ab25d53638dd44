// The Help menu as a person uses it: Alt+H, H and F1 start the HTML Help viewer on help.chm
// beside the program. Wine has no HTML engine here: checked are the viewer process, the file
// on its command line and the title the viewer reads from that file.
#include "groups.hpp"
#include "xdo.hpp"

#include <tlhelp32.h>
#include <winternl.h>

namespace winetest {

namespace {

std::wstring lower(std::wstring s) {
  ::CharLowerBuffW(s.data(), static_cast<DWORD>(s.size()));
  return s;
}

// The command line of another process, read from its process parameters.
std::wstring commandLineOf(DWORD pid) {
  Handle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
  PROCESS_BASIC_INFORMATION info{};
  PEB peb{};
  RTL_USER_PROCESS_PARAMETERS params{};
  if (!process ||
      ::NtQueryInformationProcess(process.get(), ProcessBasicInformation, &info, sizeof info,
                                  nullptr) != 0 ||
      !::ReadProcessMemory(process.get(), info.PebBaseAddress, &peb, sizeof peb, nullptr) ||
      !::ReadProcessMemory(process.get(), peb.ProcessParameters, &params, sizeof params, nullptr))
    return {};
  std::wstring line(params.CommandLine.Length / sizeof(wchar_t), L'\0');
  ::ReadProcessMemory(process.get(), params.CommandLine.Buffer, line.data(),
                      params.CommandLine.Length, nullptr);
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

}  // namespace

std::vector<Viewer> viewers() {
  std::vector<Viewer> found;
  Handle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = snapshot && ::Process32FirstW(snapshot.get(), &entry); more;
       more = ::Process32NextW(snapshot.get(), &entry))
    if (lower(entry.szExeFile) == L"hh.exe")
      found.push_back({entry.th32ProcessID, commandLineOf(entry.th32ProcessID)});
  return found;
}

Viewer waitForViewer(const std::wstring& chm, int timeoutMs) {
  Viewer hit;
  waitFor(
      [&] {
        for (const Viewer& v : viewers())
          if (lower(v.commandLine).find(lower(chm)) != std::wstring::npos) hit = v;
        return hit.pid != 0;
      },
      timeoutMs);
  return hit;
}

bool closeViewer(DWORD pid) {
  for (HWND h : viewerWindows(pid, 15000)) ::PostMessageW(h, WM_CLOSE, 0, 0);
  Handle process(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid));
  if (!process || ::WaitForSingleObject(process.get(), 30000) == WAIT_OBJECT_0) return true;
  ::TerminateProcess(process.get(), 1);
  ::WaitForSingleObject(process.get(), 5000);
  return false;
}

void helpMenuTests(const Env& env) {
  say("# the Help menu starts the help viewer on help.chm");
  Xdo xdo;
  if (!xdo.available()) {
    check(false, "xdotool requests are served (WINETEST_XDOTOOL_DIR)");
    return;
  }
  // Installed as a user unpacks it, into a folder whose name has Japanese and a space.
  const std::wstring folder = installVarnolt(env, L"ヘルプ 試験");
  const std::wstring chm = joinPath(folder, L"help.chm");
  check(::CopyFileW(env.helpChm().c_str(), chm.c_str(), FALSE) != 0,
        "help.chm is placed beside Varnolt.exe", utf8(env.helpChm()));
  for (const Viewer& old : viewers()) closeViewer(old.pid);
  Varnolt v(folder);
  if (!v.opened("the main window opens beside its help file")) return;
  // The keys go to the main window once a click on the status line has given it the keyboard.
  const HWND status = v.child(L"Static", kStarted);
  const RECT r = rectOf(status ? status : v.main);
  const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
  auto press = [&](const std::vector<std::string>& keys, int timeoutMs = 15000) {
    xdo.click(x, y);
    xdo.bringToFront(v.main, x, y);
    for (const std::string& key : keys) xdo.keys({key});
    return waitForViewer(chm, timeoutMs);
  };
  auto commandLine = [] {
    return viewers().empty() ? "no hh.exe" : utf8(viewers()[0].commandLine);
  };

  // ヘルプ(&H) > ヘルプ(&H): Alt+H opens the menu, H chooses the item.
  Viewer viewer = press({"alt+h", "h"});
  check(viewer.pid != 0, "Alt+H, H starts hh.exe with help.chm beside the program", commandLine());
  if (viewer.pid) {
    // The caption comes from the file's own window definition, in CP932.
    HWND titled =
        awaitWindow([&] { return findTop(viewer.pid, L"HH Parent", L"Varnolt ヘルプ"); }, 15000);
    check(titled != nullptr,
          "the viewer's window is titled \"Varnolt ヘルプ\", read from help.chm");
    check(closeViewer(viewer.pid), "the help viewer closes on WM_CLOSE");
  }
  viewer = press({"F1"});
  check(viewer.pid != 0, "F1 starts hh.exe with help.chm beside the program", commandLine());
  if (viewer.pid) closeViewer(viewer.pid);
  check(v.running() && !v.messageBox(500), "the program stays open with no message");

  // Without the help file nothing is reported and no viewer comes up for it.
  ::DeleteFileW(chm.c_str());
  viewer = press({"F1"}, 3000);
  check(viewer.pid == 0 && !v.messageBox(1000) && v.running(),
        "F1 without help.chm shows no message from Varnolt and starts no viewer");
  for (const Viewer& left : viewers()) closeViewer(left.pid);
  v.quit();
  check(v.waitExit(10000), "the program ends on Yes after the help tests");
}

}  // namespace winetest
