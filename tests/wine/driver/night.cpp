// The steps nights share, and whole nights on the stand-in RokuCtrl.exe: three of five rows
// downloaded, converted and their sources deleted; the CPU time of a 60-second transfer.
#include "night.hpp"
#include "groups.hpp"

#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>

namespace winetest {

std::wstring prepareNight(const Env& env, const std::wstring& name, int choice, int jobMs,
                          bool allRows, bool convert, const std::wstring& downloadFolder,
                          bool deleteSources) {
  std::wstring ini = L"startup 500\r\njob " + std::to_wstring(jobMs) + L"\r\n";
  for (int k = 1; k <= (allRows ? 5 : 1); ++k)
    ini += L"recording " + std::to_wstring(k) + L"||" + kRecordings[k - 1].title +
           L"|2026/12/07 2" + std::to_wstring(k) + L":00|00:30|8M " +
           std::to_wstring(kRecordings[k - 1].megabytes) + L" MB\r\n";
  const std::wstring folder = joinPath(env.work, name);
  ::CreateDirectoryW(env.work.c_str(), nullptr);
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

// As a user does: the row gets the focus, then the space bar.
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

HWND startAndRead(const Varnolt& v, int rows) {
  HWND start = v.child(L"Button", kStartButton);
  HWND list = v.child(L"Button", kListButton);
  if (!start || !list) return nullptr;
  ::PostMessageW(start, BM_CLICK, 0, 0);
  if (!waitFor([&] { return ::IsWindowEnabled(list) != FALSE; }, 20000)) return nullptr;
  ::PostMessageW(list, BM_CLICK, 0, 0);
  return awaitWindow(
      [&] {
        HWND h = v.shownList();
        return h && sendTimed(h, LVM_GETITEMCOUNT) == rows ? h : nullptr;
      },
      30000);
}

HWND readAndCheck(const Varnolt& v, int rows, std::initializer_list<int> checked) {
  HWND list = v.main ? startAndRead(v, rows) : nullptr;
  for (int row : checked)
    if (list && !checkRow(list, row)) list = nullptr;
  return list;
}

std::vector<std::wstring> nightLog(const std::wstring& folder) {
  auto got = logMessages(fromCp932(readFile(joinPath(folder, L"log.ini"))));
  std::reverse(got.begin(), got.end());
  return got;
}

bool checkBox(HWND box, const std::wstring& text, const std::string& name, bool also) {
  return check(box && boxMessage(box) == text && also, name,
               box ? shown(boxMessage(box)) : "no message box");
}

void runNights(const Env& env, bool realInput,
               std::initializer_list<void (*)(const Env&, Xdo&)> steps) {
  Xdo xdo;
  if (realInput)
    check(xdo.available() && xdo.run({"version"}), "xdotool answers through the input folder");
  closeStandIns();
  for (const auto step : steps) {
    step(env, xdo);
    closeStandIns();
  }
}

namespace {

double seconds(const FILETIME& f) {
  return static_cast<double>((std::uint64_t{f.dwHighDateTime} << 32) | f.dwLowDateTime) / 1e7;
}

// Summed over its threads: Wine answers GetProcessTimes for another process with the caller's.
double cpuSeconds(DWORD pid) {
  Handle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  double total = 0;
  int threads = 0;
  for (BOOL more = snapshot && ::Thread32First(snapshot.get(), &entry); more;
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

// "ﾘｽﾄ選択してﾀﾞｳﾝ", checked to be enabled once the list's sizes are read; nullptr when none.
HWND readyDownload(const Varnolt& v) {
  HWND download = v.child(L"Button", kDownloadButton);
  check(download && waitFor([&] { return ::IsWindowEnabled(download) != FALSE; }, 20000),
        "\"ﾘｽﾄ選択してﾀﾞｳﾝ\" is ready");
  return download;
}

std::string fixed(double x, int digits) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", digits, x);
  return text;
}

void wholeNight(const Env& env, Xdo&) {
  say("# a whole night: three of five recordings downloaded, converted, sources deleted, quit");
  const int kChecked[] = {1, 2, 5};
  const std::wstring folder = prepareNight(env, L"夜", 6, 4000, true, true);
  Varnolt v(folder);
  if (!v.opened("Varnolt starts for the night")) return;
  HWND list = startAndRead(v, 5);
  if (!check(list,
             "the controller is started from its registered path and its five recordings are read"))
    return;
  bool ticked = true;
  for (int row : kChecked) ticked = checkRow(list, row) && ticked;
  check(ticked, "rows 1, 2 and 5 are checked");
  HWND check3 = v.child(L"Button", kCheck3);
  if (check3) ::PostMessageW(check3, BM_CLICK, 0, 0);
  check(waitFor([&] { return buttonChecked(check3); }, 10000),
        "conversion after download is on from the settings and the sources are to be deleted");
  HWND download = readyDownload(v);
  if (!download) return;
  Handle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, v.pid()));
  const auto started = std::chrono::steady_clock::now();
  ::PostMessageW(download, BM_CLICK, 0, 0);
  const bool ended = v.waitExit(240000);
  const std::string took = std::to_string(static_cast<int>(msSince(started))) + " ms";
  if (!check(ended, "Varnolt quits by itself when the night's env.work is done", took)) return;
  DWORD code = 259;
  if (process) ::GetExitCodeProcess(process.get(), &code);
  check(code == 0, "Varnolt's process ends cleanly (exit code 0)", std::to_string(code));
  say("# the night took " + took);
  const std::wstring rec = joinPath(folder, L"録画");
  for (int row : kChecked) {
    const Recording& r = kRecordings[row - 1];
    const std::int64_t got = fileSize(joinPath(rec, std::wstring(r.file) + L".mpg"));
    check(got == r.bytes(), "converted " + utf8(r.file) + ".mpg has the recording's size",
          std::to_string(got));
    check(!exists(joinPath(rec, std::wstring(r.file) + L".m2t")),
          "the source " + utf8(r.file) + ".m2t is deleted");
  }
  check(!exists(joinPath(rec, L"ｱﾆﾒ 星の子.m2t")) && !exists(joinPath(rec, L"映画 七人の侍.m2t")),
        "unchecked recordings are not downloaded");
  std::vector<std::wstring> want = {kStarted, kClicked, L"リスト取得"};
  for (int row : kChecked)
    for (const wchar_t* step : {L"をダウンロード開始", L"のダウンロードが終了しました",
                                L"をストリーム変換リストに登録しました"})
      want.push_back(std::to_wstring(row) + step);
  want.push_back(L"全てのダウンロードが終了しました");
  want.push_back(L"全てのダウンロードを終了しました。ストリーム変換リストに移行します");
  for (int k = 1; k <= 3; ++k) want.push_back(std::to_wstring(k) + L"を変換開始しました");
  const auto got = nightLog(folder);
  std::string missing;
  check(inOrder(got, want, &missing), "log.ini holds every line of the night in order", missing);
  const auto deleted =
      std::count(got.begin(), got.end(), L"サイズ比較クリアにつき元ファイルは削除されました");
  check(deleted == 3, "log.ini records the three passed comparisons", std::to_string(deleted));
}

void nightEndingWithMessage(const Env& env, Xdo&) {
  say("# a night that ends with \"何もしない\", and one 60-second transfer's CPU time");
  Varnolt v(prepareNight(env, L"夜2", 5, 60000, false, false));
  if (!v.opened("Varnolt starts for the second night")) return;
  // The machine actions of the end-of-work frame carry their tips.
  bool tips = false;
  for (HWND h : topLevel())
    tips = tips || (pidOf(h) == v.pid() && classOf(h) == L"tooltips_class32" &&
                    sendTimed(h, TTM_GETTOOLCOUNT) == 5);
  check(tips, "a tool-tip window of Varnolt holds the five tips of the machine actions");
  HWND list = readAndCheck(v, 1, {1});
  HWND download = check(list, "the one recording is read and checked") ? readyDownload(v) : nullptr;
  if (!download) return;
  // For comparison: the same window idle, no timer running.
  const double idleBefore = cpuSeconds(v.pid());
  ::Sleep(20000);
  say("# CPU time of Varnolt.exe idle with its list read: " +
      fixed(cpuSeconds(v.pid()) - idleBefore, 3) + " s in 20 s");
  ::PostMessageW(download, BM_CLICK, 0, 0);
  // The receive, the 2000 ms wait and the save are over once the list is disabled.
  waitFor([&] { return !::IsWindowEnabled(list); }, 10000);
  const auto started = std::chrono::steady_clock::now();
  const double startCpu = cpuSeconds(v.pid());
  // The polling alone: past the first tick, well before the end, so no one-time work counts.
  ::Sleep(3000);
  const double pollBefore = cpuSeconds(v.pid());
  const auto pollStart = std::chrono::steady_clock::now();
  ::Sleep(45000);
  const double pollAfter = cpuSeconds(v.pid());
  const double poll = pollAfter - pollBefore;
  const double pollWall = msSince(pollStart) / 1000.0;
  HWND box = v.messageBox(120000);
  const double wall = msSince(started) / 1000.0;
  const double endCpu = cpuSeconds(v.pid());
  check(idleBefore >= 0 && startCpu >= 0 && pollBefore >= 0 && pollAfter >= 0 && endCpu >= 0,
        "the CPU time of Varnolt's threads can be read");
  checkBox(box, kAllDone, "the night ends with the message \"全ての作業が終了しました\"");
  say("# CPU time of Varnolt.exe while polling a 60-second transfer: " + fixed(poll, 3) + " s in " +
      fixed(pollWall, 1) + " s (" + fixed(pollWall > 0 ? 100.0 * poll / pollWall : 0.0, 3) +
      " % of one core)");
  say("# CPU time of Varnolt.exe from the transfer's start to the end-of-env.work message: " +
      fixed(endCpu - startCpu, 3) + " s in " + fixed(wall, 1) + " s");
  if (box) answer(box, IDOK);
  // Choice 5 leaves Varnolt as it was: the next close asks as usual.
  v.waitExit(500);
  check(v.running(), "Varnolt stays open after the message");
}

}  // namespace

void nightTests(const Env& env) {
  runNights(env, false, {wholeNight, nightEndingWithMessage});
}

}  // namespace winetest
