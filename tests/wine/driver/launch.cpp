// The controller launch through Varnolt's own windows: "ﾛｸﾗｸｺﾝﾄﾛｰﾗ起動" pressed with the
// stand-in RokuCtrl.exe registered, already running, or registered at a path that does
// not exist. The control map is compared with the handles the stand-in reports of its
// own windows.
#include "groups.hpp"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>

namespace winetest {

namespace {

const std::wstring kNotRegistered = L"ロクラク・コントローラを登録してください";
const std::wstring kMissing =
    L"エラー53『「ロクラク・コントローラ」を登録』部分を確認して見てください";

// The map's text boxes in the form's order on the developer tab; they follow Text101 and
// Text100, the only other text boxes of that frame.
const wchar_t* const kMapOrder[] = {L"rc_rec_list",
                                    L"rc_setuzoku_btn",
                                    L"rc_dir_btn",
                                    L"rc_pcdown_btn",
                                    L"rc_recdata",
                                    L"rc_end_btn",
                                    L"rc_slider",
                                    L"rc_stop_btn",
                                    L"Rc_Rec_Column_Lock",
                                    L"Rc_Rec_Column_Title",
                                    L"Rc_Rec_Column_Day",
                                    L"Rc_Rec_Column_Time",
                                    L"Rc_Rec_Column_BitLate",
                                    L"rc_zyusin_btn",
                                    L"rc_saisei_btn",
                                    L"rc_teisi_btn",
                                    L"rc_makimodosi_btn",
                                    L"rc_hayaokuri_btn",
                                    L"rc_freeze_btn",
                                    L"rc_slow_btn"};
constexpr std::size_t kFrameTextBoxes = 2 + std::size(kMapOrder);
// Found by the size reader, never by the launch.
const std::wstring kDetailsEntry = L"rc_recdata";

using Report = std::map<std::wstring, std::wstring>;

std::wstring handleText(HWND h) {
  wchar_t b[16];
  std::swprintf(b, 16, L"%08X", static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(h)));
  return b;
}

// "handle NAME=XXXXXXXX" lines of the stand-in's report.
Report readReport(const std::wstring& path) {
  Report r;
  const std::string text = readFile(path);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t eq = line.find('=');
    if (line.rfind("handle ", 0) == 0 && eq != std::string::npos)
      r[std::wstring(line.begin() + 7, line.begin() + static_cast<std::ptrdiff_t>(eq))] =
          std::wstring(line.begin() + static_cast<std::ptrdiff_t>(eq) + 1, line.end());
    start = end + 1;
  }
  return r;
}

std::string value(const Report& r, const std::wstring& name) {
  auto it = r.find(name);
  return it == r.end() ? "(none)" : utf8(it->second);
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

// The map's text boxes by entry name; empty when the frame does not hold them as built.
std::map<std::wstring, HWND> mapBoxes(const Varnolt& v) {
  std::map<std::wstring, HWND> boxes;
  const auto edits = inFrame(v, L"Edit");
  if (edits.size() != kFrameTextBoxes) return boxes;
  for (std::size_t i = 0; i < std::size(kMapOrder); ++i) boxes[kMapOrder[i]] = edits[2 + i];
  return boxes;
}

// The three window lists sit side by side on the developer tab, ListView3 in the middle.
HWND listView3(const Varnolt& v) {
  const auto lists = inFrame(v, L"SysListView32");
  return lists.size() == 3 ? lists[1] : nullptr;
}

struct Launch {
  double ms = -1;      // click to "リスト取得" enabled; -1 when it never was
  HWND box = nullptr;  // a message box that came instead
};

// Presses "ﾛｸﾗｸｺﾝﾄﾛｰﾗ起動" and waits until the list button is enabled or a message box
// appears. Neither reading sends Varnolt a message, so the wait never blocks on its sleeps.
Launch pressStart(const Varnolt& v, int timeoutMs = 20000) {
  Launch l;
  HWND start = v.child(L"Button", kStartButton);
  HWND list = v.child(L"Button", kListButton);
  if (!start || !list) return l;
  const auto clicked = std::chrono::steady_clock::now();
  ::PostMessageW(start, BM_CLICK, 0, 0);
  waitFor(
      [&] {
        if (::IsWindowEnabled(list)) return true;
        l.box = findTop(v.pid(), L"#32770", L"");
        return l.box != nullptr;
      },
      timeoutMs);
  if (!l.box && ::IsWindowEnabled(list)) l.ms = msSince(clicked);
  return l;
}

std::string launchDetail(const Launch& l) {
  if (l.box) return "message box: " + shown(boxMessage(l.box));
  return l.ms < 0 ? "リスト取得 never enabled" : std::to_string(static_cast<int>(l.ms)) + " ms";
}

// Every map entry but the details text holds the handle the stand-in reports for it.
void checkMap(const Varnolt& v, const Report& report) {
  const auto boxes = mapBoxes(v);
  check(boxes.size() == std::size(kMapOrder), "the developer tab holds the 20 map text boxes");
  if (boxes.empty()) return;
  for (const wchar_t* name : kMapOrder) {
    const std::wstring got = textOf(boxes.at(name));
    if (name == kDetailsEntry) {
      check(got.empty(), "map entry rc_recdata is left to the size reader", utf8(got));
      continue;
    }
    auto want = report.find(name);
    check(want != report.end() && got.size() == 8 && got == want->second,
          "map entry " + utf8(name) + " holds the stand-in's handle",
          "got \"" + utf8(got) + "\", the stand-in reports " + value(report, name));
  }
}

// StatusBar1: panel 1 cleared, panels 2 to 4 the controller's caption, class, handle.
void checkPanels(const Varnolt& v, const Report& report) {
  HWND bar = v.statusBar();
  check(bar && statusText(bar, 0).empty(), "StatusBar1 panel 1 is cleared");
  const std::wstring caption = bar ? statusText(bar, 1) : L"";
  check(caption == kStandInTitle, "StatusBar1 panel 2 holds the caption \"ロクラクⅡ コントローラ\"",
        utf8(caption));
  const std::wstring cls = bar ? statusText(bar, 2) : L"";
  check(cls == kStandInClass, "StatusBar1 panel 3 holds the class name", utf8(cls));
  const std::wstring handle = bar ? statusText(bar, 3) : L"";
  auto main = report.find(L"main");
  check(main != report.end() && handle == main->second,
        "StatusBar1 panel 4 holds the handle text of the main window",
        "got \"" + utf8(handle) + "\", the stand-in reports " + value(report, L"main"));
}

void checkNothingMapped(const Varnolt& v, const std::string& why) {
  const auto boxes = mapBoxes(v);
  bool empty = boxes.size() == std::size(kMapOrder);
  for (const auto& [name, box] : boxes) empty = empty && textOf(box).empty();
  check(empty, why);
}

bool startStandIn(const std::wstring& exe, const std::wstring& report, Handle& process) {
  process = startProcess(exe, L"--report \"" + report + L"\"");
  return process && waitFor([&] { return !standIns().empty() && exists(report); }, 15000);
}

// ---------------------------------------------------------------- the tests

std::optional<double> launchFromRegisteredPath(const Env& env, const std::wstring& standIn) {
  say("# the controller started from its registered path");
  const std::wstring folder = installVarnolt(env, L"起動試験", designSettings(standIn));
  const std::wstring reportPath =
      joinPath(standIn.substr(0, standIn.rfind(L'\\')), L"RokuCtrl.report");
  ::DeleteFileW(reportPath.c_str());
  closeStandIns();
  check(standIns().empty(), "no controller runs before the test");

  Varnolt v(folder);
  if (!v.opened("Varnolt opens")) return std::nullopt;
  check(v.child(L"Static", standIn) != nullptr,
        "Label2 shows the registered path " + utf8(standIn) + " read from default.ini in CP932");
  HWND list = v.child(L"Button", kListButton);
  HWND convert = v.child(L"Button", kConvertButton);
  check(list && !::IsWindowEnabled(list), "リスト取得 starts disabled");
  checkNothingMapped(v, "the map starts empty");

  const Launch l = pressStart(v);
  check(l.ms >= 0, "ﾛｸﾗｸｺﾝﾄﾛｰﾗ起動 starts the controller and enables リスト取得", launchDetail(l));
  if (l.box) answer(l.box, IDOK);
  const auto running = standIns();
  check(running.size() == 1, "exactly one controller window is up", std::to_string(running.size()));
  check(exists(reportPath), "the controller runs from " + utf8(standIn) + " (its report is there)");
  const Report report = readReport(reportPath);
  check(!running.empty() && value(report, L"main") == utf8(handleText(running[0])),
        "the stand-in's report names the window the driver sees");
  checkMap(v, report);
  checkPanels(v, report);

  HWND lv3 = listView3(v);
  const std::size_t childCount = running.empty() ? 0 : children(running[0]).size();
  const auto rows = lv3 ? static_cast<std::size_t>(sendTimed(lv3, LVM_GETITEMCOUNT)) : 0;
  check(childCount > 0 && rows == childCount,
        "ListView3 holds one row per child window of the controller",
        std::to_string(rows) + " rows, " + std::to_string(childCount) + " children");
  check(v.child(L"Static", kClicked) != nullptr,
        "the status line shows \"「ロクラク起動」ボタンクリック\"");
  const auto logLines = lines(textOf(v.logBox()));
  check(!logLines.empty() && endsWith(logLines[0], L"   " + kClicked),
        "the log's first line is the click", logLines.empty() ? "" : utf8(logLines[0]));
  check(convert && !::IsWindowEnabled(convert),
        "PCで再生（ストリーム変換） stays disabled with an empty conversion list");
  closeStandIns();
  return l.ms >= 0 ? std::optional<double>(l.ms) : std::nullopt;
}

void launchWithControllerRunning(const Env& env, const std::wstring& standIn) {
  say("# the controller already running, none registered");
  const std::wstring folder = installVarnolt(env, L"起動済み試験", designSettings(L"未登録"));
  closeStandIns();
  Varnolt v(folder);
  if (!v.opened("Varnolt opens")) return;
  check(v.child(L"Static", L"未登録") != nullptr, "Label2 shows \"未登録\"");

  // Nothing registered and nothing running: the request to register.
  Launch l = pressStart(v, 10000);
  check(l.box && boxMessage(l.box) == kNotRegistered && textOf(l.box) == L"Varnolt",
        "without a controller it asks \"ロクラク・コントローラを登録してください\"",
        launchDetail(l));
  if (l.box) answer(l.box, IDOK);
  waitFor([&] { return !findTop(v.pid(), L"#32770", L""); }, 3000);
  HWND list = v.child(L"Button", kListButton);
  check(list && !::IsWindowEnabled(list), "リスト取得 stays disabled after the request");

  const std::wstring reportPath = joinPath(env.work, L"running.report");
  ::DeleteFileW(reportPath.c_str());
  Handle process;
  check(startStandIn(standIn, reportPath, process), "the stand-in controller is started first");
  const auto before = standIns();

  l = pressStart(v);
  check(l.ms >= 0 && !l.box, "ﾛｸﾗｸｺﾝﾄﾛｰﾗ起動 maps the running controller without a message",
        launchDetail(l));
  if (l.box) answer(l.box, IDOK);
  // One wait pass and the sleep before the child enumeration: 2 s at least. How much
  // more depends on the machine's load, so no upper bound is checked.
  check(l.ms >= 1900, "the map waits about 2 s before it is ready",
        std::to_string(static_cast<int>(l.ms)) + " ms");
  if (l.ms >= 0)
    say("# launch and map with the controller already running: " +
        std::to_string(static_cast<int>(l.ms)) + " ms");
  const auto after = standIns();
  check(after.size() == 1 && after == before && !before.empty() &&
            pidOf(after[0]) == ::GetProcessId(process.get()),
        "no second controller is started");
  const Report report = readReport(reportPath);
  checkMap(v, report);
  checkPanels(v, report);
  closeStandIns();
}

void launchWithPathMissing(const Env& env) {
  say("# the registered path does not exist");
  const std::wstring missing = joinPath(env.work, L"消えたロクラク\\RokuCtrl.exe");
  const std::wstring folder = installVarnolt(env, L"パス無し試験", designSettings(missing));
  closeStandIns();
  Varnolt v(folder);
  if (!v.opened("Varnolt opens")) return;
  check(v.child(L"Static", missing) != nullptr, "Label2 shows the missing path");
  const Launch l = pressStart(v, 10000);
  check(l.box && boxMessage(l.box) == kMissing && textOf(l.box) == L"Varnolt",
        "a missing controller shows the error-53 message", launchDetail(l));
  if (l.box) {
    check(::GetWindow(l.box, GW_OWNER) == v.main, "the message is owned by the main window");
    check(::GetDlgItem(l.box, IDOK) && !::GetDlgItem(l.box, IDCANCEL),
          "the message has only an OK button");
    answer(l.box, IDOK);
  }
  check(waitFor([&] { return !findTop(v.pid(), L"#32770", L""); }, 3000), "OK closes the message");
  HWND list = v.child(L"Button", kListButton);
  check(list && !::IsWindowEnabled(list), "リスト取得 stays disabled");
  check(standIns().empty(), "no controller is running");
  checkNothingMapped(v, "the map stays empty");
  HWND bar = v.statusBar();
  check(bar && statusText(bar, 1).empty() && statusText(bar, 3).empty(),
        "StatusBar1 panels 2 and 4 stay empty");
  check(v.running() && ::IsWindow(v.main), "Varnolt keeps running");
}

// A controller that stops answering once its window is up: finding and mapping it reads
// only what the system keeps of its windows, so the launch still completes.
void launchWithControllerHung(const Env& env) {
  say("# the controller hangs once its window is up");
  const std::wstring standInFolder = joinPath(env.work, L"ロクラク停止");
  const std::wstring standIn = installStandIn(standInFolder, env.rokuCtrl, "fault hung\r\n");
  const std::wstring reportPath = joinPath(standInFolder, L"RokuCtrl.report");
  ::DeleteFileW(reportPath.c_str());
  const std::wstring folder = installVarnolt(env, L"停止試験", designSettings(standIn));
  closeStandIns();
  Varnolt v(folder);
  if (!v.opened("Varnolt opens")) return;
  const Launch l = pressStart(v);
  check(l.ms >= 0 && !l.box, "the launch completes although the controller does not answer",
        launchDetail(l));
  if (l.box) answer(l.box, IDOK);
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
  // A Japanese folder name: the path goes through default.ini in CP932 and the
  // wide-character start of the program.
  ::CreateDirectoryW(env.work.c_str(), nullptr);
  const std::wstring standIn = installStandIn(joinPath(env.work, L"ロクラク"), env.rokuCtrl);
  check(exists(standIn), "RokuCtrl.exe is installed as " + utf8(standIn));

  std::vector<double> ms;
  if (auto first = launchFromRegisteredPath(env, standIn)) ms.push_back(*first);
  launchWithControllerRunning(env, standIn);
  launchWithPathMissing(env);
  launchWithControllerHung(env);

  // More full launches for the timing: a fresh Varnolt each, no controller running.
  say("# timing of the launch and map");
  const std::wstring timing = installVarnolt(env, L"起動時間", designSettings(standIn));
  for (int i = 0; i < 4; ++i) {
    closeStandIns();
    Varnolt v(timing);
    if (!v.main) continue;
    const Launch l = pressStart(v);
    if (l.box) answer(l.box, IDOK);
    if (l.ms >= 0) ms.push_back(l.ms);
  }
  closeStandIns();
  check(ms.size() == 5, "every timed launch maps the controller", std::to_string(ms.size()));
  say("# launch and map (click to リスト取得 enabled, controller started), " + spread(ms));
}

}  // namespace winetest
