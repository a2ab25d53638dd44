// A whole unattended night through Varnolt's own windows: the stand-in RokuCtrl.exe is
// started from its registered path, its list of Japanese-titled recordings is read,
// three rows are checked, and "ﾘｽﾄ選択してﾀﾞｳﾝ" downloads, converts and deletes the
// sources; the night ends with the chosen end-of-work action. Also measures the CPU
// time Varnolt.exe takes while it polls one long transfer.
#include "night.hpp"
#include "groups.hpp"

#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>

namespace winetest {

namespace {

// Rows checked, 1-based, and the file names their titles become.
const int kChecked[] = {1, 2, 5};
const wchar_t* const kFileNames[] = {L"ニュース／天気", L"ドラマ「夜」第3話", L"天気予報"};

HWND recordingList(const Varnolt& v, int rows) {
  for (HWND h : children(v.main))
    if (classOf(h) == L"SysListView32" && sendTimed(h, LVM_GETITEMCOUNT) == rows &&
        (sendTimed(h, LVM_GETEXTENDEDLISTVIEWSTYLE) & LVS_EX_CHECKBOXES))
      return h;
  return nullptr;
}

}  // namespace

std::wstring prepareNight(const Env& env, const std::wstring& name, int choice, int jobMs,
                          bool allRows, bool convert, const std::wstring& downloadFolder,
                          bool deleteSources) {
  std::wstring ini = L"startup 500\r\njob " + std::to_wstring(jobMs) + L"\r\n";
  int k = 0;
  for (const auto& r : kRecordings) {
    ++k;
    if (!allRows && k > 1) break;
    ini += L"recording " + std::to_wstring(k) + L"||" + r.title + L"|2026/12/07 2" +
           std::to_wstring(k) + L":00|00:30|8M " + std::to_wstring(r.megabytes) + L" MB\r\n";
  }
  const std::wstring folder = joinPath(env.work, name);
  ::CreateDirectoryW(env.work.c_str(), nullptr);
  ::CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring standIn =
      installStandIn(joinPath(folder, L"ロクラク"), env.rokuCtrl, utf8(ini));
  return installVarnolt(
      env.work, name, env.varnolt,
      designSettings(standIn, downloadFolder.empty() ? joinPath(folder, L"録画") : downloadFolder,
                     choice, convert, deleteSources));
}

bool startDownload(const Varnolt& v) {
  HWND download = v.child(L"Button", kDownloadButton);
  if (!download) return false;
  waitFor([&] { return ::IsWindowEnabled(download) != FALSE; }, 20000);
  ::PostMessageW(download, BM_CLICK, 0, 0);
  return true;
}

// Checks a row's box from the keyboard, as a user does: the row gets the focus, then the
// space bar.
bool checkRow(HWND list, int row) {
  RemoteMemory remote(list, sizeof(LVITEMW));
  if (!remote.at()) return false;
  LVITEMW item{};
  item.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
  item.state = LVIS_FOCUSED | LVIS_SELECTED;
  remote.write(0, &item, sizeof item);
  sendTimed(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row - 1),
            reinterpret_cast<LPARAM>(remote.at()));
  sendTimed(list, WM_KEYDOWN, VK_SPACE, 0);
  sendTimed(list, WM_KEYUP, VK_SPACE, 0);
  return listChecked(list, row - 1);
}

// Starts the controller and reads its list; the recording list, or nullptr.
HWND startAndRead(const Varnolt& v, int rows) {
  HWND start = v.child(L"Button", kStartButton);
  HWND list = v.child(L"Button", kListButton);
  if (!start || !list) return nullptr;
  ::PostMessageW(start, BM_CLICK, 0, 0);
  if (!waitFor([&] { return ::IsWindowEnabled(list) != FALSE; }, 20000)) return nullptr;
  ::PostMessageW(list, BM_CLICK, 0, 0);
  return awaitWindow([&] { return recordingList(v, rows); }, 30000);
}

namespace {

double seconds(const FILETIME& f) {
  return static_cast<double>((static_cast<std::uint64_t>(f.dwHighDateTime) << 32) |
                             f.dwLowDateTime) /
         1e7;
}

// The CPU time of process `pid` as the sum over its threads. Wine answers GetProcessTimes
// for another process with the caller's own times, which would measure this driver's
// waiting instead of Varnolt; the times of each thread are the process's own.
double cpuSeconds(DWORD pid) {
  Handle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (!snapshot) return -1;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  double total = 0;
  int threads = 0;
  for (BOOL more = ::Thread32First(snapshot.get(), &entry); more;
       more = ::Thread32Next(snapshot.get(), &entry)) {
    if (entry.th32OwnerProcessID != pid) continue;
    Handle thread(::OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID));
    FILETIME created, exited, kernel, user;
    if (!thread || !::GetThreadTimes(thread.get(), &created, &exited, &kernel, &user)) continue;
    total += seconds(kernel) + seconds(user);
    ++threads;
  }
  return threads > 0 ? total : -1;
}

}  // namespace

namespace {

void wholeNight(const Env& env) {
  say("# a whole night: three of five recordings downloaded, converted, sources deleted, quit");
  const std::wstring folder = prepareNight(env, L"夜", 6, 4000, true, true);
  Varnolt v(folder);
  if (!v.opened("Varnolt starts for the night")) return;
  HWND list = startAndRead(v, 5);
  check(list != nullptr,
        "the controller is started from its registered path and its five "
        "recordings are read");
  if (!list) return;
  bool checked = true;
  for (int row : kChecked) checked = checkRow(list, row) && checked;
  check(checked, "rows 1, 2 and 5 are checked");
  HWND check3 = v.child(L"Button", kCheck3);
  if (check3) ::PostMessageW(check3, BM_CLICK, 0, 0);
  check(waitFor([&] { return buttonChecked(check3); }, 10000),
        "conversion after download is on from the settings and the sources are to be deleted");
  HWND download = v.child(L"Button", kDownloadButton);
  check(download && waitFor([&] { return ::IsWindowEnabled(download) != FALSE; }, 20000),
        "\"ﾘｽﾄ選択してﾀﾞｳﾝ\" is ready");
  if (!download) return;
  Handle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, v.pid()));
  const auto started = std::chrono::steady_clock::now();
  ::PostMessageW(download, BM_CLICK, 0, 0);
  const bool ended = v.waitExit(240000);
  check(ended, "Varnolt quits by itself when the night's env.work is done",
        std::to_string(static_cast<int>(msSince(started))) + " ms");
  if (!ended) return;
  DWORD code = 259;
  if (process) ::GetExitCodeProcess(process.get(), &code);
  check(code == 0, "Varnolt's process ends cleanly (exit code 0)", std::to_string(code));
  say("# the night took " + std::to_string(static_cast<int>(msSince(started))) + " ms");

  const std::wstring rec = joinPath(folder, L"録画");
  for (std::size_t i = 0; i < std::size(kChecked); ++i) {
    const std::int64_t want =
        static_cast<std::int64_t>(kRecordings[kChecked[i] - 1].megabytes) * 1048576;
    const std::wstring mpg = joinPath(rec, std::wstring(kFileNames[i]) + L".mpg");
    const std::int64_t got = fileSize(mpg);
    check(got == want, "converted " + utf8(kFileNames[i]) + ".mpg has the recording's size",
          std::to_string(got));
    check(!exists(joinPath(rec, std::wstring(kFileNames[i]) + L".m2t")),
          "the source " + utf8(kFileNames[i]) + ".m2t is deleted");
  }
  check(!exists(joinPath(rec, L"ｱﾆﾒ 星の子.m2t")) && !exists(joinPath(rec, L"映画 七人の侍.m2t")),
        "unchecked recordings are not downloaded");

  std::vector<std::wstring> want = {kStarted, kClicked, L"リスト取得"};
  for (int row : kChecked) {
    want.push_back(std::to_wstring(row) + L"をダウンロード開始");
    want.push_back(std::to_wstring(row) + L"のダウンロードが終了しました");
    want.push_back(std::to_wstring(row) + L"をストリーム変換リストに登録しました");
  }
  want.push_back(L"全てのダウンロードが終了しました");
  want.push_back(L"全てのダウンロードを終了しました。ストリーム変換リストに移行します");
  for (int k = 1; k <= 3; ++k) want.push_back(std::to_wstring(k) + L"を変換開始しました");
  // Oldest first.
  auto got = logMessages(fromCp932(readFile(joinPath(folder, L"log.ini"))));
  std::reverse(got.begin(), got.end());
  std::string missing;
  check(inOrder(got, want, &missing), "log.ini holds every line of the night in order", missing);
  int deleted = 0;
  for (const auto& line : got)
    if (line == L"サイズ比較クリアにつき元ファイルは削除されました") ++deleted;
  check(deleted == 3, "log.ini records the three passed comparisons", std::to_string(deleted));
}

void nightEndingWithMessage(const Env& env) {
  say("# a night that ends with \"何もしない\", and one 60-second transfer's CPU time");
  const std::wstring folder = prepareNight(env, L"夜2", 5, 60000, false, false);
  Varnolt v(folder);
  if (!v.main) {
    check(false, "Varnolt starts for the second night");
    return;
  }
  // The machine actions of the end-of-env.work frame carry their tips.
  bool tips = false;
  for (HWND h : topLevel())
    if (pidOf(h) == v.pid() && classOf(h) == L"tooltips_class32" &&
        sendTimed(h, TTM_GETTOOLCOUNT) == 5)
      tips = true;
  check(tips, "a tool-tip window of Varnolt holds the five tips of the machine actions");
  HWND list = startAndRead(v, 1);
  check(list && checkRow(list, 1), "the one recording is read and checked");
  HWND download = v.child(L"Button", kDownloadButton);
  if (!list || !download) return;
  // The list read ends with reading the sizes; the button is ready after that.
  check(waitFor([&] { return ::IsWindowEnabled(download) != FALSE; }, 20000),
        "\"ﾘｽﾄ選択してﾀﾞｳﾝ\" is ready");
  // For comparison: the same window idle, no timer running, for 20 s.
  const double idleBefore = cpuSeconds(v.pid());
  ::Sleep(20000);
  char idle[120];
  std::snprintf(idle, sizeof idle,
                "# CPU time of Varnolt.exe idle with its list read: %.3f s in 20 s",
                cpuSeconds(v.pid()) - idleBefore);
  say(idle);
  ::PostMessageW(download, BM_CLICK, 0, 0);
  // The receive, the 2000 ms wait and the save are over once the list is disabled.
  waitFor([&] { return !::IsWindowEnabled(list); }, 10000);
  const auto started = std::chrono::steady_clock::now();
  const double startCpu = cpuSeconds(v.pid());
  // The polling alone: past the disabled list's repaint and the first tick, and well
  // before the transfer's end, so no one-time env.work of the start or the end counts.
  ::Sleep(3000);
  const double pollBefore = cpuSeconds(v.pid());
  const auto pollStart = std::chrono::steady_clock::now();
  ::Sleep(45000);
  const double pollAfter = cpuSeconds(v.pid());
  const double pollWall = msSince(pollStart) / 1000.0;
  HWND box = v.messageBox(120000);
  const double wall = msSince(started) / 1000.0;
  const double endCpu = cpuSeconds(v.pid());
  check(idleBefore >= 0 && startCpu >= 0 && pollBefore >= 0 && pollAfter >= 0 && endCpu >= 0,
        "the CPU time of Varnolt's threads can be read");
  check(box != nullptr && boxMessage(box) == kAllDone,
        "the night ends with the message \"全ての作業が終了しました\"",
        box ? utf8(boxMessage(box)) : "no message box");
  char figure[200];
  std::snprintf(figure, sizeof figure,
                "# CPU time of Varnolt.exe while polling a 60-second transfer: %.3f s in %.1f s "
                "(%.3f %% of one core)",
                pollAfter - pollBefore, pollWall,
                pollWall > 0 ? 100.0 * (pollAfter - pollBefore) / pollWall : 0.0);
  say(figure);
  std::snprintf(
      figure, sizeof figure,
      "# CPU time of Varnolt.exe from the transfer's start to the end-of-env.work message: "
      "%.3f s in %.1f s",
      endCpu - startCpu, wall);
  say(figure);
  if (box) answer(box, IDOK);
  // Choice 5 leaves Varnolt as it was: the next close asks as usual.
  v.waitExit(500);
  check(v.running(), "Varnolt stays open after the message");
}

}  // namespace

void nightTests(const Env& env) {
  closeStandIns();
  wholeNight(env);
  closeStandIns();
  nightEndingWithMessage(env);
}

}  // namespace winetest
