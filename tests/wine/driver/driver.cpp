// End-to-end tests of Varnolt.exe from another process, through its windows only:
//   varnolt-wine-driver.exe VARNOLT_EXE WORK_FOLDER SCREENSHOT_FOLDER ROKUCTRL_EXE
// (ROKUCTRL_EXE: the stand-in controller); one line a check, then "N passed, M failed".
#include "groups.hpp"
#include "night.hpp"

#include <commctrl.h>

namespace winetest {

namespace {

void setText(HWND h, const wchar_t* text) {
  ::SendMessageW(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void awaitNoBox(const Varnolt& v) {
  waitFor([&] { return !findTop(v.pid(), L"#32770", L""); }, 3000);
}

void firstRun(const std::wstring& folder, const std::wstring& shots) {
  say("# first start in an empty folder");
  Varnolt v(folder);
  if (!v.opened("the main window \"Varnolt\" opens")) return;
  const std::wstring text = textOf(v.logBox());
  check(lines(text).size() == 1 && endsWith(text, L"   " + kStarted + L"\r\n"),
        "start-up logs \"Varnolt起動\" as the only line", shown(text));
  check(v.child(L"Static", kStarted) != nullptr, "the status line shows \"Varnolt起動\"");
  HWND tab = v.tabs();
  check(tab && sendTimed(tab, TCM_GETITEMCOUNT) == 6, "the tab control has six tabs");
  check(v.child(L"Static", L"未登録") != nullptr, "the controller path shows \"未登録\"");
  HWND folderBox = v.child(L"Edit", L"未設定");
  check(folderBox != nullptr, "the download folder shows \"未設定\"");
  check(buttonChecked(v.child(L"Button", L"何もしない")),
        "the end-of-work choice is \"何もしない\"");
  HWND check3 = v.child(L"Button", kCheck3);
  check(check3 && !::IsWindowEnabled(check3), "Check3 starts disabled");
  check(::IsWindowVisible(v.child(L"Button", kStartButton)),
        "the controller start button is below the tabs");
  HWND check1 = v.child(L"Button", kCheck1);
  sendTimed(check1, BM_CLICK);
  check(buttonChecked(check1) && ::IsWindowEnabled(check3),
        "clicking Check1 checks it and enables Check3");
  sendTimed(check1, BM_CLICK);
  check(sendTimed(check1, BM_GETCHECK) == BST_UNCHECKED && !::IsWindowEnabled(check3),
        "clicking Check1 again undoes it");
  // Never below the design size; the tabs follow the edges.
  const RECT design = rectOf(v.main);
  const RECT tabDesign = rectOf(tab);
  auto resize = [&](int dx, int dy) {
    ::SetWindowPos(v.main, nullptr, 0, 0, widthOf(design) + dx, heightOf(design) + dy,
                   SWP_NOMOVE | SWP_NOZORDER);
  };
  resize(-120, -90);
  waitFor([&] { return widthOf(rectOf(v.main)) == widthOf(design); }, 10000);
  const RECT now = rectOf(v.main);
  check(widthOf(now) == widthOf(design) && heightOf(now) == heightOf(design),
        "a window made smaller springs back to its minimum size",
        std::to_string(widthOf(now)) + "x" + std::to_string(heightOf(now)));
  resize(0, -50);
  waitFor([&] { return heightOf(rectOf(v.main)) == heightOf(design); }, 10000);
  check(heightOf(rectOf(v.main)) == heightOf(design), "a lower window gets its height back");
  resize(80, 40);
  const RECT grown = rectOf(tab);
  check(widthOf(grown) == widthOf(tabDesign) + 80 && heightOf(grown) == heightOf(tabDesign) + 40,
        "enlarging the window by 80x40 pixels grows the tabs by as much");
  resize(0, 0);
  const RECT back = rectOf(tab);
  check(::EqualRect(&back, &tabDesign) != 0, "shrinking back restores the tabs exactly");
  ::SetWindowPos(v.main, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  for (int i = 0; i < 6; ++i) {
    const std::wstring got = tab ? tabText(tab, i) : L"";
    check(got == kTabs[i], "tab " + std::to_string(i) + " reads \"" + utf8(kTabs[i]) + "\"",
          "got \"" + utf8(got) + "\"");
    check(v.selectTab(i) && v.pageShown(i), "tab " + std::to_string(i) + " shows its own controls");
    if (!shots.empty()) v.screenshot(shots + L"\\tab" + std::to_wstring(i) + L".bmp");
  }
  v.selectTab(4);
  setText(folderBox, L"C:\\録画\\\\");
  v.selectTab(3);
  check(textOf(folderBox) == L"C:\\録画\\", "leaving the settings tab drops one backslash",
        shown(textOf(folderBox)));
  setText(folderBox, L"未設定");
  v.selectTab(1);
  HWND add = v.child(L"Button", L"追加");
  ::PostMessageW(add, BM_CLICK, 0, 0);
  HWND box = v.messageBox(5000);
  checkBox(box, L"タイトルを入力してください", "an empty title is refused",
           textOf(box) == L"Varnolt");
  if (box) answer(box, IDOK);
  awaitNoBox(v);
  // Picture3 (end) comes first in the form, then Picture2 (start).
  HWND rules = v.shownList();
  HWND title = nullptr;
  std::vector<HWND> times;
  for (HWND h : children(v.main)) {
    if (classOf(h) != L"Edit" || !::IsWindowVisible(h)) continue;
    if (textOf(h).empty()) title = h;
    if (textOf(h) == L"00") times.push_back(h);
  }
  if (title) setText(title, L"ニュース");
  if (times.size() == 4) setText(times[0], L"23");
  ::PostMessageW(add, BM_CLICK, 0, 0);
  waitFor([&] { return rules && sendTimed(rules, LVM_GETITEMCOUNT) == 1; }, 3000);
  check(rules && sendTimed(rules, LVM_GETITEMCOUNT) == 1 && !findTop(v.pid(), L"#32770", L""),
        "a titled rule is added to the rule list");
  ::PostMessageW(v.main, WM_CLOSE, 0, 0);
  box = v.messageBox(5000);
  checkBox(box, kQuit, "closing asks \"アプリケーションを終了しますか ?\"",
           textOf(box) == L"Varnolt");
  if (box) {
    check(::GetDlgItem(box, IDYES) && ::GetDlgItem(box, IDNO) && !::GetDlgItem(box, IDCANCEL),
          "the question has the buttons Yes and No");
    check(::GetWindow(box, GW_OWNER) == v.main, "the question is owned by the main window");
    answer(box, IDNO);
  }
  awaitNoBox(v);
  ::Sleep(300);
  check(v.running() && ::IsWindow(v.main), "answering No keeps the window");
  check(!exists(folder + L"\\log.ini") && !exists(folder + L"\\default.ini"),
        "answering No writes neither log.ini nor default.ini");
  const std::wstring logText = textOf(v.logBox());
  v.quit();
  check(v.waitExit(10000), "answering Yes ends the program");
  const std::string logBytes = readFile(folder + L"\\log.ini");
  check(logBytes == cp932(logText + L"\r\n"), "log.ini holds the log box and CR LF in CP932",
        hex(logBytes));
  const std::string kVarnoltStarted = "Varnolt\x8B\x4E\x93\xAE\r\n\r\n";  // 起動
  check(logBytes.size() > kVarnoltStarted.size() && logBytes.ends_with(kVarnoltStarted),
        "log.ini ends in the Shift-JIS bytes of \"Varnolt起動\" and two line ends");
  const std::string settings = readFile(folder + L"\\default.ini");
  check(settings == cp932(designSettings()), "default.ini holds the design values in CP932",
        hex(settings));
  check(settings.starts_with("/Label2.Caption\r\n\x96\xA2\x93\x6F\x98\x5E\r\n"),
        "default.ini starts with /Label2.Caption and the Shift-JIS bytes of \"未登録\"");
  check(!exists(folder + L"\\log.ini.tmp~") && !exists(folder + L"\\default.ini.tmp~"),
        "no temporary file is left behind");
}

void secondRun(const std::wstring& folder) {
  say("# second start in the same folder");
  const std::string before = readFile(folder + L"\\log.ini");
  Varnolt v(folder);
  if (!v.opened("the main window opens again")) return;
  const auto ls = lines(textOf(v.logBox()));
  check(ls.size() == 3 && endsWith(ls[0], L"   " + kStarted) && ls[1].empty() &&
            endsWith(ls[2], L"   " + kStarted),
        "the new start line, an empty line, then the first run's line", shown(textOf(v.logBox())));
  // Alt+H, then V: Wine does not hand another process's menus to GetMenu.
  ::PostMessageW(v.main, WM_SYSCOMMAND, SC_KEYMENU, L'h');
  ::Sleep(300);
  ::PostMessageW(v.main, WM_CHAR, L'v', 0);
  HWND dialog = awaitWindow([&] { return findTop(v.pid(), L"VarnoltDialog", L"Varnolt"); }, 5000);
  if (check(dialog, "Alt+H, V (ヘルプ(&H) > バージョン情報(&V)) opens the version dialog")) {
    check(!::IsWindowEnabled(v.main), "the main window is blocked while the dialog is open");
    check(findChild(dialog, L"Static", L"ﾊﾞｰｼﾞｮﾝ 2.1.0") != nullptr,
          "the dialog shows \"ﾊﾞｰｼﾞｮﾝ 2.1.0\"");
    HWND sysInfo = findChild(dialog, L"Button", L"ｼｽﾃﾑ情報(&S)...");
    check(sysInfo, "the dialog offers \"ｼｽﾃﾑ情報(&S)...\"");
    // A fresh prefix registers no system information program.
    ::PostMessageW(sysInfo, BM_CLICK, 0, 0);
    HWND box = v.messageBox(5000);
    checkBox(box, L"現時点ではｼｽﾃﾑ情報を使用できません",
             "without MSINFO the dialog says \"現時点ではｼｽﾃﾑ情報を使用できません\"",
             ::GetWindow(box, GW_OWNER) == dialog);
    if (box) answer(box, IDOK);
    awaitNoBox(v);
    ::PostMessageW(findChild(dialog, L"Button", L"OK"), BM_CLICK, 0, 0);
    waitFor([&] { return !::IsWindow(dialog); }, 3000);
    check(!::IsWindow(dialog) && ::IsWindowEnabled(v.main),
          "OK closes the dialog and frees the main window");
  }
  v.quit();
  check(v.waitExit(10000), "the second run ends on Yes");
  const std::string after = readFile(folder + L"\\log.ini");
  check(after.size() > before.size() && after.ends_with(before),
        "the second log.ini ends with the first one");
}

}  // namespace

void startTests(const Env& env) {
  const std::wstring folder = installVarnolt(env, L"ヴァルノルト試験");
  firstRun(folder, env.shots);
  secondRun(folder);
  const std::wstring timing = installVarnolt(env, L"timing");
  std::vector<double> ms;
  for (int i = 0; i < 7; ++i) {
    Varnolt v(timing);
    if (v.main) ms.push_back(v.startMs);
  }
  check(ms.size() == 7, "every timed start opens the window");
  say("# start-up time (process start to shown main window), " + spread(ms));
}

}  // namespace winetest

using namespace winetest;

int wmain(int argc, wchar_t** argv) {
  if (argc < 5) {
    say("usage: varnolt-wine-driver VARNOLT_EXE WORK_FOLDER SCREENSHOT_FOLDER ROKUCTRL_EXE");
    return 2;
  }
  const Env env{argv[1], argv[4], argv[2], argv[3]};
  // The groups in the order of a full run (groups.hpp); VARNOLT_WINE_ONLY=NAME runs one alone.
  const std::pair<const wchar_t*, std::vector<void (*)(const Env&)>> groups[] = {
      {L"start", {startTests}},
      {L"launch", {controllerLaunchTests}},
      {L"list", {recordingListTests}},
      {L"convert", {conversionTests}},
      {L"ports",
       {[](const Env&) { powerPortTests(); }, [](const Env&) { taskbarProgressTests(); }}},
      {L"files", {crashSafeFileTests}},
      {L"night", {nightTests}},
      {L"mends", {nightMendTests}},
      {L"resume", {resumeTests}},
      {L"history", {historyTests}},
      {L"window",
       {realInputTests, [](const Env& e) { dpiScreenshots(e, 96); },
        [](const Env& e) { dpiScreenshots(e, 144); }}},
      {L"help", {helpMenuTests}},
      {L"dlls", {dllSearchTests}},
      {L"task", {nightlyTaskTests, autoNightTests}},
  };
  wchar_t only[16] = {};
  ::GetEnvironmentVariableW(L"VARNOLT_WINE_ONLY", only, 16);
  for (const auto& [name, steps] : groups)
    for (const auto step : steps)
      if (!*only || std::wstring(name) == only) step(env);
  say(std::to_string(passedCount()) + " passed, " + std::to_string(failedCount()) + " failed");
  return failedCount() == 0 ? 0 : 1;
}
