// The controller launch through Varnolt's own windows: "ﾛｸﾗｸｺﾝﾄﾛｰﾗ起動" with the stand-in
// RokuCtrl.exe registered, already running, missing or hung; the control map against the
// handles the stand-in reports of its own windows.
#include "groups.hpp"

#include <commctrl.h>

#include <cstdio>
#include <sstream>

namespace winetest {

namespace {

// The map's text boxes in form order after Text101 and Text100; rc_recdata is the size reader's.
const std::wstring kMapNames =
    L"rc_rec_list rc_setuzoku_btn rc_dir_btn rc_pcdown_btn rc_recdata rc_end_btn rc_slider "
    L"rc_stop_btn Rc_Rec_Column_Lock Rc_Rec_Column_Title Rc_Rec_Column_Day Rc_Rec_Column_Time "
    L"Rc_Rec_Column_BitLate rc_zyusin_btn rc_saisei_btn rc_teisi_btn rc_makimodosi_btn "
    L"rc_hayaokuri_btn rc_freeze_btn rc_slow_btn";

// The stand-in's "handle NAME=XXXXXXXX" report lines by name.
using Report = std::map<std::wstring, std::wstring>;
Report readReport(const std::wstring& path) {
  Report r;
  for (const std::wstring& line : lines(fromCp932(readFile(path))))
    if (line.rfind(L"handle ", 0) == 0 && line.find(L'=') != std::wstring::npos)
      r[line.substr(7, line.find(L'=') - 7)] = line.substr(line.find(L'=') + 1);
  return r;
}

std::wstring value(const Report& r, const std::wstring& name) {
  auto it = r.find(name);
  return it == r.end() ? L"(none)" : it->second;
}

// The controls of this class directly in the developer tab's frame, in the form's order.
std::vector<HWND> inFrame(const Varnolt& v, const std::wstring& cls) {
  HWND button = v.child(L"Button", kEnumButton);
  HWND frame = button ? ::GetParent(button) : nullptr;
  std::vector<HWND> found;
  for (HWND h : frame ? children(frame) : std::vector<HWND>())
    if (::GetParent(h) == frame && classOf(h) == cls) found.push_back(h);
  return found;
}

// The map's text boxes with their entry names; none when the frame does not hold them as built.
std::vector<std::pair<std::wstring, HWND>> mapBoxes(const Varnolt& v) {
  const auto edits = inFrame(v, L"Edit");
  std::wistringstream names(kMapNames);
  std::vector<std::pair<std::wstring, HWND>> boxes;
  for (std::wstring name; edits.size() == 22 && names >> name;)
    boxes.emplace_back(name, edits[2 + boxes.size()]);
  return boxes;
}

struct Launch {
  double ms = -1;  // click to "リスト取得" enabled; -1 when it never was
  // A message box that came instead, answered OK: its text, caption, owner, buttons.
  std::wstring message, caption;
  HWND owner = nullptr;
  bool okOnly = false;
  std::string detail;
};

// The wait reads without sending Varnolt a message, so it never blocks on Varnolt's sleeps.
Launch pressStart(const Varnolt& v, int timeoutMs = 20000) {
  Launch l;
  HWND start = v.child(L"Button", kStartButton);
  HWND list = v.child(L"Button", kListButton);
  HWND box = nullptr;
  if (!start || !list) return l;
  const auto clicked = std::chrono::steady_clock::now();
  ::PostMessageW(start, BM_CLICK, 0, 0);
  waitFor([&] { return ::IsWindowEnabled(list) || (box = findTop(v.pid(), L"#32770", L"")); },
          timeoutMs);
  if (!box && ::IsWindowEnabled(list)) l.ms = msSince(clicked);
  l.detail =
      l.ms >= 0 ? std::to_string(static_cast<int>(l.ms)) + " ms" : "リスト取得 never enabled";
  if (!box) return l;
  l.message = boxMessage(box);
  l.caption = textOf(box);
  l.owner = ::GetWindow(box, GW_OWNER);
  l.okOnly = ::GetDlgItem(box, IDOK) && !::GetDlgItem(box, IDCANCEL);
  l.detail = "message box: " + shown(l.message);
  answer(box, IDOK);
  return l;
}

// Every map entry but rc_recdata holds the handle the stand-in reports for it.
void checkMap(const Varnolt& v, const Report& report) {
  const auto boxes = mapBoxes(v);
  check(boxes.size() == 20, "the developer tab holds the 20 map text boxes");
  for (const auto& [name, box] : boxes) {
    const std::wstring got = textOf(box);
    if (name == L"rc_recdata")
      check(got.empty(), "map entry rc_recdata is left to the size reader", utf8(got));
    else
      check(got.size() == 8 && got == value(report, name),
            "map entry " + utf8(name) + " holds the stand-in's handle",
            "got \"" + utf8(got) + "\", the stand-in reports " + utf8(value(report, name)));
  }
}

// StatusBar1: panel 1 cleared, panels 2 to 4 the controller's caption, class, handle.
void checkPanels(const Varnolt& v, const Report& report) {
  HWND bar = v.statusBar();
  auto panel = [&](int k) { return bar ? statusText(bar, k) : std::wstring(); };
  check(bar && panel(0).empty(), "StatusBar1 panel 1 is cleared");
  check(panel(1) == kStandInTitle,
        "StatusBar1 panel 2 holds the caption \"ロクラクⅡ コントローラ\"", utf8(panel(1)));
  check(panel(2) == kStandInClass, "StatusBar1 panel 3 holds the class name", utf8(panel(2)));
  check(report.count(L"main") && panel(3) == report.at(L"main"),
        "StatusBar1 panel 4 holds the handle text of the main window",
        "got \"" + utf8(panel(3)) + "\", the stand-in reports " + utf8(value(report, L"main")));
}

void checkNothingMapped(const Varnolt& v, const std::string& why) {
  const auto boxes = mapBoxes(v);
  bool empty = boxes.size() == 20;
  for (const auto& [name, box] : boxes) empty = empty && textOf(box).empty();
  check(empty, why);
}

bool listDisabled(const Varnolt& v) {
  HWND list = v.child(L"Button", kListButton);
  return list && !::IsWindowEnabled(list);
}

// ---------------------------------------------------------------- the tests

// Varnolt in a fresh folder with `controller` registered, no controller running.
Varnolt fresh(const Env& env, const std::wstring& name, const std::wstring& controller) {
  const std::wstring folder = installVarnolt(env, name, designSettings(controller));
  closeStandIns();
  return Varnolt(folder);
}

// Where the stand-in `exe` writes its report, none there yet.
std::wstring reportOf(const std::wstring& exe) {
  const std::wstring path = exe.substr(0, exe.rfind(L'\\')) + L"\\RokuCtrl.report";
  ::DeleteFileW(path.c_str());
  return path;
}

void launchFromRegisteredPath(const Env& env, const std::wstring& standIn,
                              std::vector<double>& ms) {
  say("# the controller started from its registered path");
  const std::wstring reportPath = reportOf(standIn);
  Varnolt v = fresh(env, L"起動試験", standIn);
  check(standIns().empty(), "no controller runs before the test");
  if (!v.opened("Varnolt opens")) return;
  check(v.child(L"Static", standIn) != nullptr,
        "Label2 shows the registered path " + utf8(standIn) + " read from default.ini in CP932");
  check(listDisabled(v), "リスト取得 starts disabled");
  checkNothingMapped(v, "the map starts empty");

  const Launch l = pressStart(v);
  check(l.ms >= 0, "ﾛｸﾗｸｺﾝﾄﾛｰﾗ起動 starts the controller and enables リスト取得", l.detail);
  if (l.ms >= 0) ms.push_back(l.ms);
  const auto running = standIns();
  check(running.size() == 1, "exactly one controller window is up", std::to_string(running.size()));
  check(exists(reportPath), "the controller runs from " + utf8(standIn) + " (its report is there)");
  const Report report = readReport(reportPath);
  wchar_t handle[16] = L"";
  if (!running.empty())
    std::swprintf(handle, 16, L"%08X",
                  static_cast<unsigned>(reinterpret_cast<UINT_PTR>(running[0])));
  check(!running.empty() && value(report, L"main") == handle,
        "the stand-in's report names the window the driver sees");
  checkMap(v, report);
  checkPanels(v, report);

  // ListView3 sits in the middle of the developer tab's three window lists.
  const auto lists = inFrame(v, L"SysListView32");
  const int windows = running.empty() ? 0 : static_cast<int>(children(running[0]).size());
  const int rows = lists.size() == 3 ? listCount(lists[1]) : 0;
  check(windows > 0 && rows == windows,
        "ListView3 holds one row per child window of the controller",
        std::to_string(rows) + " rows, " + std::to_string(windows) + " children");
  check(v.child(L"Static", kClicked) != nullptr,
        "the status line shows \"「ロクラク起動」ボタンクリック\"");
  const auto log = lines(textOf(v.logBox()));
  check(!log.empty() && endsWith(log[0], L"   " + kClicked), "the log's first line is the click",
        log.empty() ? "" : utf8(log[0]));
  HWND convert = v.child(L"Button", kConvertButton);
  check(convert && !::IsWindowEnabled(convert),
        "PCで再生（ストリーム変換） stays disabled with an empty conversion list");
  closeStandIns();
}

void launchWithControllerRunning(const Env& env, const std::wstring& standIn) {
  say("# the controller already running, none registered");
  Varnolt v = fresh(env, L"起動済み試験", L"未登録");
  if (!v.opened("Varnolt opens")) return;
  check(v.child(L"Static", L"未登録") != nullptr, "Label2 shows \"未登録\"");
  Launch l = pressStart(v, 10000);
  check(l.message == L"ロクラク・コントローラを登録してください" && l.caption == L"Varnolt",
        "without a controller it asks \"ロクラク・コントローラを登録してください\"", l.detail);
  waitFor([&] { return !findTop(v.pid(), L"#32770", L""); }, 3000);
  check(listDisabled(v), "リスト取得 stays disabled after the request");

  const std::wstring reportPath = reportOf(standIn);
  Handle process = startProcess(standIn, L"--report \"" + reportPath + L"\"");
  check(process && waitFor([&] { return !standIns().empty() && exists(reportPath); }, 15000),
        "the stand-in controller is started first");
  const auto before = standIns();
  l = pressStart(v);
  check(l.ms >= 0, "ﾛｸﾗｸｺﾝﾄﾛｰﾗ起動 maps the running controller without a message", l.detail);
  // One wait pass and the sleep before the child enumeration; the rest depends on the load.
  check(l.ms >= 1900, "the map waits about 2 s before it is ready", l.detail);
  if (l.ms >= 0) say("# launch and map with the controller already running: " + l.detail);
  const auto after = standIns();
  check(after.size() == 1 && after == before && pidOf(after[0]) == ::GetProcessId(process.get()),
        "no second controller is started");
  const Report report = readReport(reportPath);
  checkMap(v, report);
  checkPanels(v, report);
  closeStandIns();
}

void launchWithPathMissing(const Env& env) {
  say("# the registered path does not exist");
  const std::wstring missing = joinPath(env.work, L"消えたロクラク\\RokuCtrl.exe");
  Varnolt v = fresh(env, L"パス無し試験", missing);
  if (!v.opened("Varnolt opens")) return;
  check(v.child(L"Static", missing) != nullptr, "Label2 shows the missing path");
  const Launch l = pressStart(v, 10000);
  check(l.caption == L"Varnolt" &&
            l.message == L"エラー53『「ロクラク・コントローラ」を登録』部分を確認して見てください",
        "a missing controller shows the error-53 message", l.detail);
  check(l.owner == v.main, "the message is owned by the main window");
  check(l.okOnly, "the message has only an OK button");
  check(waitFor([&] { return !findTop(v.pid(), L"#32770", L""); }, 3000), "OK closes the message");
  check(listDisabled(v), "リスト取得 stays disabled");
  check(standIns().empty(), "no controller is running");
  checkNothingMapped(v, "the map stays empty");
  HWND bar = v.statusBar();
  check(bar && statusText(bar, 1).empty() && statusText(bar, 3).empty(),
        "StatusBar1 panels 2 and 4 stay empty");
  check(v.running() && ::IsWindow(v.main), "Varnolt keeps running");
}

// Finding and mapping read only what the system keeps of the windows: a hung one is mapped.
void launchWithControllerHung(const Env& env) {
  say("# the controller hangs once its window is up");
  const std::wstring standIn =
      installStandIn(joinPath(env.work, L"ロクラク停止"), env.rokuCtrl, "fault hung\r\n");
  const std::wstring reportPath = reportOf(standIn);
  Varnolt v = fresh(env, L"停止試験", standIn);
  if (!v.opened("Varnolt opens")) return;
  const Launch l = pressStart(v);
  check(l.ms >= 0, "the launch completes although the controller does not answer", l.detail);
  const auto running = standIns();
  DWORD_PTR ignored = 0;
  check(running.size() == 1 &&
            !::SendMessageTimeoutW(running[0], WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &ignored),
        "the stand-in really stops answering");
  checkMap(v, readReport(reportPath));
  closeStandIns();
}

}  // namespace

void controllerLaunchTests(const Env& env) {
  // A Japanese folder name: the path goes through default.ini in CP932.
  ::CreateDirectoryW(env.work.c_str(), nullptr);
  const std::wstring standIn = installStandIn(joinPath(env.work, L"ロクラク"), env.rokuCtrl);
  check(exists(standIn), "RokuCtrl.exe is installed as " + utf8(standIn));
  std::vector<double> ms;
  launchFromRegisteredPath(env, standIn, ms);
  launchWithControllerRunning(env, standIn);
  launchWithPathMissing(env);
  launchWithControllerHung(env);

  say("# timing of the launch and map");
  const std::wstring timing = installVarnolt(env, L"起動時間", designSettings(standIn));
  for (int i = 0; i < 4; ++i) {
    closeStandIns();
    Varnolt v(timing);
    const Launch l = v.main ? pressStart(v) : Launch();
    if (l.ms >= 0) ms.push_back(l.ms);
  }
  closeStandIns();
  check(ms.size() == 5, "every timed launch maps the controller", std::to_string(ms.size()));
  say("# launch and map (click to リスト取得 enabled, controller started), " + spread(ms));
}

}  // namespace winetest
