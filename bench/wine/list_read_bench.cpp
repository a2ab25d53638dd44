// varnolt-list-bench VARNOLT_EXE ROKUCTRL_EXE WORK_FOLDER [ENTRIES] [RUNS]
//
// Reading a long recording list under Wine, side by side with the least any program
// can do. The stand-in RokuCtrl.exe holds ENTRIES recordings (default 32767). Measured,
// alternating, RUNS times each (default 3, medians reported):
//   bare loop   LB_GETTEXTLEN and LB_GETTEXT over every entry of the controller's list
//               box, from this process;
//   Varnolt     a click on "リスト取得" with Check4 on (no sizes), from the click until
//               its handler has returned (BM_CLICK sent: it returns with the handler);
// then the same read with sizes on, and the memory of Varnolt.exe holding the list.
// support.hpp brings windows.h, which the other system headers build on.
#include "support.hpp"

#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

using namespace winetest;

namespace {

const std::wstring kCheck4 =
    L"ロクラクコントローラの仕様制限によりサイズ取得をしない　（できない）";

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

std::string ms(double v) {
  char b[32];
  std::snprintf(b, sizeof b, "%.0f ms", v);
  return b;
}

LRESULT sendUntimed(HWND h, UINT msg, WPARAM w, LPARAM l) {
  return ::SendMessageW(h, msg, w, l);
}

// As Varnolt sends: with a time limit, so a hung controller cannot stop it.
LRESULT sendLimited(HWND h, UINT msg, WPARAM w, LPARAM l) {
  DWORD_PTR result = 0;
  ::SendMessageTimeoutW(h, msg, w, l, SMTO_ABORTIFHUNG, 5000, &result);
  return static_cast<LRESULT>(result);
}

// The least a program can do to copy the list box: length, then text, entry by entry.
double bareLoop(HWND listBox, int& count, LRESULT (*send)(HWND, UINT, WPARAM, LPARAM)) {
  const auto start = std::chrono::steady_clock::now();
  count = static_cast<int>(send(listBox, LB_GETCOUNT, 0, 0));
  std::vector<wchar_t> buf;
  std::size_t chars = 0;
  for (int i = 0; i < count; ++i) {
    const LRESULT len = send(listBox, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    if (len < 0) continue;
    buf.assign(static_cast<std::size_t>(len) + 1, L'\0');
    chars += static_cast<std::size_t>(
        send(listBox, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf.data())));
  }
  (void)chars;
  return msSince(start);
}

// Sends the click; returns when the handler has returned. -1 when it did not in time.
double varnoltRead(HWND button, const Varnolt& v) {
  const auto start = std::chrono::steady_clock::now();
  std::atomic<bool> done{false};
  double took = -1;
  // Sent from a thread of its own, so that a message box the handler shows is seen here
  // (and answered) instead of holding the clock.
  std::thread click([&] {
    DWORD_PTR ignored = 0;
    if (::SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_NORMAL, 1200000, &ignored))
      took = msSince(start);
    done = true;
  });
  bool boxShown = false;
  while (!done) {
    if (HWND box = v.messageBox(0)) {
      say("# Varnolt showed a message: " + shown(boxMessage(box)));
      answer(box, IDOK);
      boxShown = true;
    }
    ::Sleep(50);
  }
  click.join();
  return boxShown ? -1 : took;
}

HWND recordingList(const Varnolt& v) {
  for (HWND h : children(v.main)) {
    if (classOf(h) != L"SysListView32") continue;
    HWND header = reinterpret_cast<HWND>(::SendMessageW(h, LVM_GETHEADER, 0, 0));
    if (header && ::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0) == 9) return h;
  }
  return nullptr;
}

std::string memory(DWORD pid) {
  Handle p(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
  PROCESS_MEMORY_COUNTERS_EX m{};
  m.cb = sizeof m;
  if (!p ||
      !::GetProcessMemoryInfo(p.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&m), sizeof m))
    return "unknown";
  char b[128];
  std::snprintf(b, sizeof b, "working set %.1f MB (peak %.1f MB), private %.1f MB",
                m.WorkingSetSize / 1048576.0, m.PeakWorkingSetSize / 1048576.0,
                m.PrivateUsage / 1048576.0);
  return b;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    say("usage: varnolt-list-bench VARNOLT_EXE ROKUCTRL_EXE WORK_FOLDER [ENTRIES] [RUNS]");
    return 2;
  }
  const std::wstring varnoltExe = argv[1], rokuCtrlExe = argv[2], work = argv[3];
  const int entries = argc > 4 ? std::stoi(argv[4]) : 32767;
  const int runs = argc > 5 ? std::stoi(argv[5]) : 3;

  ::CreateDirectoryW(work.c_str(), nullptr);
  const std::wstring standInFolder = joinPath(work, L"roku");
  ::CreateDirectoryW(standInFolder.c_str(), nullptr);
  const std::wstring standIn = joinPath(standInFolder, L"RokuCtrl.exe");
  ::CopyFileW(rokuCtrlExe.c_str(), standIn.c_str(), FALSE);
  writeFile(joinPath(standInFolder, L"RokuCtrl.ini"),
            "startup 0\r\nrecordings " + std::to_string(entries) + "\r\n");
  const std::wstring folder = joinPath(work, L"varnolt");
  ::CreateDirectoryW(folder.c_str(), nullptr);
  ::CopyFileW(varnoltExe.c_str(), joinPath(folder, L"Varnolt.exe").c_str(), FALSE);
  writeFile(joinPath(folder, L"default.ini"), cp932(designSettings(standIn)));

  Varnolt v(joinPath(folder, L"Varnolt.exe"), folder);
  if (!v.main) {
    say("Varnolt.exe did not open");
    return 1;
  }
  say("# Varnolt.exe before the read: " + memory(v.pid()));
  HWND start = v.child(L"Button", L"ﾛｸﾗｸｺﾝﾄﾛｰﾗ起動");
  HWND read = v.child(L"Button", L"リスト取得");
  HWND check4 = v.child(L"Button", kCheck4);
  HWND list = recordingList(v);
  if (!start || !read || !check4 || !list) {
    say("Varnolt's buttons or list not found");
    return 1;
  }
  ::PostMessageW(start, BM_CLICK, 0, 0);
  if (!waitFor([&] { return ::IsWindowEnabled(read) != 0; }, 300000)) {
    say("the controller was not mapped");
    return 1;
  }
  HWND listBox = nullptr;
  waitFor(
      [&] {
        for (HWND h : topLevel())
          if (classOf(h) == L"RokuCtrlWindow")
            for (HWND c : children(h))
              if (classOf(c) == L"ListBox") listBox = c;
        return listBox != nullptr;
      },
      10000);
  if (!listBox) {
    say("the controller's list box was not found");
    return 1;
  }
  // The controller answers once it has filled its list; the clocks start after that.
  if (!waitFor([&] { return sendLimited(listBox, LB_GETCOUNT, 0, 0) == entries; }, 600000)) {
    say("the controller's list box never held " + std::to_string(entries) + " entries");
    return 1;
  }
  ::SendMessageW(check4, BM_CLICK, 0, 0);
  if (::SendMessageW(check4, BM_GETCHECK, 0, 0) != BST_CHECKED) {
    say("Check4 could not be checked");
    return 1;
  }

  std::vector<double> bare, limited, mine;
  int count = 0;
  bool whole = true;
  for (int i = 0; i < runs; ++i) {
    bare.push_back(bareLoop(listBox, count, sendUntimed));
    limited.push_back(bareLoop(listBox, count, sendLimited));
    mine.push_back(varnoltRead(read, v));
    // Each round as it ends: a long run that is cut short still tells something.
    say("# round " + std::to_string(i + 1) + ": bare " + ms(bare.back()) + ", bare with limit " +
        ms(limited.back()) + ", Varnolt " + ms(mine.back()));
    whole = whole && ::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == count && mine.back() >= 0;
  }
  const std::string held = memory(v.pid());
  ::SendMessageW(check4, BM_CLICK, 0, 0);
  std::vector<double> sized;
  for (int i = 0; i < std::max(1, runs - 1); ++i) {
    sized.push_back(varnoltRead(read, v));
    say("# with sizes: " + ms(sized.back()));
  }
  const std::wstring lastSize = listText(list, count - 1, 7);
  const bool sizesRead = lastSize == std::to_wstring(count);

  say("# entries in the controller's list box: " + std::to_string(count) +
      (whole ? ", all copied into ListView1 on every read" : ", NOT all copied"));
  std::string b, t, m;
  // append() rather than " " + …: GCC 12's -Wrestrict misfires on the temporary.
  for (double x : bare) b.append(" ").append(ms(x));
  for (double x : limited) t.append(" ").append(ms(x));
  for (double x : mine) m.append(" ").append(ms(x));
  say("# bare LB_GETTEXTLEN/LB_GETTEXT loop, SendMessageW:" + b + " (median " + ms(median(bare)) +
      ")");
  say("# bare loop, SendMessageTimeoutW:" + t + " (median " + ms(median(limited)) + ")");
  say("# Varnolt リスト取得, Check4 on:" + m + " (median " + ms(median(mine)) + ")");
  char ratio[96];
  std::snprintf(ratio, sizeof ratio, "%.2f (against SendMessageTimeoutW: %.2f)",
                median(mine) / std::max(1.0, median(bare)),
                median(mine) / std::max(1.0, median(limited)));
  say(std::string("# ratio Varnolt / bare loop: ") + ratio);
  std::string s;
  for (double x : sized) s.append(" ").append(ms(x));
  say("# Varnolt リスト取得 with sizes (Check4 off):" + s + " (median " + ms(median(sized)) + ")" +
      (sizesRead ? "" : ", the last row's size was NOT read: " + utf8(lastSize)));
  say("# Varnolt.exe holding the list: " + held);
  for (HWND h : topLevel())
    if (classOf(h) == L"RokuCtrlWindow") ::PostMessageW(h, WM_CLOSE, 0, 0);
  return whole && sizesRead ? 0 : 1;
}
