// End-to-end tests of Varnolt.exe, run as another process that operates the program
// only through its windows, the way Varnolt itself operates the controller: top-level
// windows by class and caption, children by class and caption, WM_GETTEXT, BM_CLICK,
// and the message boxes found and answered. Wide-character functions throughout.
//
//   varnolt-wine-driver.exe VARNOLT_EXE WORK_FOLDER SCREENSHOT_FOLDER ROKUCTRL_EXE
//
// ROKUCTRL_EXE is the stand-in controller. Prints one line per check and ends with
// "N passed, M failed".
#include "groups.hpp"

#include <commctrl.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace winetest {

namespace {

// ---------------------------------------------------------------- the tests

void firstRun(const std::wstring& folder, const std::wstring& shots) {
  say("# first start in an empty folder");
  Varnolt v(folder);
  if (!v.opened("the main window \"Varnolt\" opens")) return;

  HWND log = v.logBox();
  const std::wstring text = log ? textOf(log) : L"";
  const auto ls = lines(text);
  check(ls.size() == 1 && endsWith(text, L"   " + kStarted + L"\r\n"),
        "start-up logs \"Varnolt起動\" as the only line", shown(text));
  check(v.child(L"Static", kStarted) != nullptr, "the status line shows \"Varnolt起動\"");

  HWND tab = v.tabs();
  check(tab && sendTimed(tab, TCM_GETITEMCOUNT) == 6, "the tab control has six tabs");
  for (int i = 0; i < 6; ++i) {
    const std::wstring got = tab ? tabText(tab, i) : L"";
    check(got == kTabs[i], "tab " + std::to_string(i) + " reads \"" + utf8(kTabs[i]) + "\"",
          "got \"" + utf8(got) + "\"");
  }

  check(v.child(L"Static", L"未登録") != nullptr, "the controller path shows \"未登録\"");
  HWND folderBox = v.child(L"Edit", L"未設定");
  check(folderBox != nullptr, "the download folder shows \"未設定\"");
  HWND nothing = v.child(L"Button", L"何もしない");
  check(buttonChecked(nothing), "the end-of-work choice is \"何もしない\"");
  HWND check3 = v.child(L"Button", kCheck3);
  check(check3 && !::IsWindowEnabled(check3), "Check3 starts disabled");
  HWND start = v.child(L"Button", kStartButton);
  check(start && ::IsWindowVisible(start), "the controller start button is below the tabs");

  // A click on a check box reaches the handlers: Check1 enables Check3.
  HWND check1 = v.child(L"Button", kCheck1);
  sendTimed(check1, BM_CLICK);
  check(buttonChecked(check1) && ::IsWindowEnabled(check3),
        "clicking Check1 checks it and enables Check3");
  sendTimed(check1, BM_CLICK);
  check(sendTimed(check1, BM_GETCHECK) == BST_UNCHECKED && !::IsWindowEnabled(check3),
        "clicking Check1 again undoes it");

  // The window's size: never below the design size; the lists follow the edges.
  const RECT design = rectOf(v.main);
  const RECT tabDesign = rectOf(tab);
  auto resize = [&](int dx, int dy) {
    ::SetWindowPos(v.main, nullptr, 0, 0, widthOf(design) + dx, heightOf(design) + dy,
                   SWP_NOMOVE | SWP_NOZORDER);
  };
  resize(-120, -90);
  waitFor([&] { return widthOf(rectOf(v.main)) == widthOf(design); }, 10000);
  RECT now = rectOf(v.main);
  check(widthOf(now) == widthOf(design) && heightOf(now) == heightOf(design),
        "a window made smaller springs back to its minimum size",
        std::to_string(widthOf(now)) + "x" + std::to_string(heightOf(now)));
  resize(0, -50);
  waitFor([&] { return heightOf(rectOf(v.main)) == heightOf(design); }, 10000);
  check(heightOf(rectOf(v.main)) == heightOf(design), "a lower window gets its height back");
  resize(80, 40);
  RECT grown = rectOf(tab);
  check(widthOf(grown) == widthOf(tabDesign) + 80 && heightOf(grown) == heightOf(tabDesign) + 40,
        "enlarging the window by 80x40 pixels grows the tabs by as much");
  resize(0, 0);
  RECT back = rectOf(tab);
  check(::EqualRect(&back, &tabDesign) != 0, "shrinking back restores the tabs exactly");
  ::SetWindowPos(v.main, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);

  // Every tab, shown as a user would pick it.
  for (int i = 0; i < 6; ++i) {
    check(v.selectTab(i) && v.pageShown(i), "tab " + std::to_string(i) + " shows its own controls");
    if (!shots.empty()) v.screenshot(shots + L"\\tab" + std::to_wstring(i) + L".bmp");
  }
  v.selectTab(4);
  // Leaving the settings tab drops one trailing backslash of the folder.
  ::SendMessageW(folderBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"C:\\録画\\\\"));
  v.selectTab(3);
  check(textOf(folderBox) == L"C:\\録画\\", "leaving the settings tab drops one backslash",
        shown(textOf(folderBox)));
  ::SendMessageW(folderBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"未設定"));

  // The rule list: an empty title is refused with a message box.
  v.selectTab(1);
  HWND add = v.child(L"Button", L"追加");
  ::PostMessageW(add, BM_CLICK, 0, 0);
  HWND box = v.messageBox(5000);
  check(box && boxMessage(box) == L"タイトルを入力してください" && textOf(box) == L"Varnolt",
        "an empty title is refused", box ? shown(boxMessage(box)) : "no message box");
  if (box) answer(box, IDOK);
  waitFor([&] { return !findTop(v.pid(), L"#32770", L""); }, 3000);
  HWND rules = v.shownList();
  HWND title = nullptr;
  for (HWND h : children(v.main))
    if (classOf(h) == L"Edit" && ::IsWindowVisible(h) && textOf(h).empty()) title = h;
  if (title) ::SendMessageW(title, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"ニュース"));
  std::vector<HWND> times;
  for (HWND h : children(v.main))
    if (classOf(h) == L"Edit" && ::IsWindowVisible(h) && textOf(h) == L"00") times.push_back(h);
  if (times.size() == 4)  // Picture3 (end) comes first in the form, then Picture2 (start)
    ::SendMessageW(times[0], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"23"));
  ::PostMessageW(add, BM_CLICK, 0, 0);
  waitFor([&] { return rules && sendTimed(rules, LVM_GETITEMCOUNT) == 1; }, 3000);
  check(rules && sendTimed(rules, LVM_GETITEMCOUNT) == 1 && !findTop(v.pid(), L"#32770", L""),
        "a titled rule is added to the rule list");

  // The quit question answered No: the window stays and nothing is written.
  ::PostMessageW(v.main, WM_CLOSE, 0, 0);
  box = v.messageBox(5000);
  check(box != nullptr && boxMessage(box) == kQuit && textOf(box) == L"Varnolt",
        "closing asks \"アプリケーションを終了しますか ?\"",
        box ? shown(boxMessage(box)) : "no message box");
  if (box) {
    const LONG style = ::GetWindowLongW(box, GWL_STYLE);
    check(::GetDlgItem(box, IDYES) && ::GetDlgItem(box, IDNO) && !::GetDlgItem(box, IDCANCEL),
          "the question has the buttons Yes and No", std::to_string(style));
    check(::GetWindow(box, GW_OWNER) == v.main, "the question is owned by the main window");
    answer(box, IDNO);
  }
  waitFor([&] { return !findTop(v.pid(), L"#32770", L""); }, 3000);
  ::Sleep(300);
  check(v.running() && ::IsWindow(v.main), "answering No keeps the window");
  check(!exists(folder + L"\\log.ini") && !exists(folder + L"\\default.ini"),
        "answering No writes neither log.ini nor default.ini");

  // Answered Yes: both files, in code page 932, and the program ends.
  const std::wstring logText = textOf(v.logBox());
  v.quit();
  check(v.waitExit(10000), "answering Yes ends the program");
  const std::string logBytes = readFile(folder + L"\\log.ini");
  check(logBytes == cp932(logText + L"\r\n"), "log.ini holds the log box and CR LF in CP932",
        hex(logBytes));
  const std::string kVarnoltStarted = "Varnolt\x8B\x4E\x93\xAE\r\n\r\n";  // 起動
  check(logBytes.size() > kVarnoltStarted.size() &&
            logBytes.compare(logBytes.size() - kVarnoltStarted.size(), kVarnoltStarted.size(),
                             kVarnoltStarted) == 0,
        "log.ini ends in the Shift-JIS bytes of \"Varnolt起動\" and two line ends");
  const std::string settings = readFile(folder + L"\\default.ini");
  check(settings == cp932(designSettings()), "default.ini holds the design values in CP932",
        hex(settings));
  check(settings.rfind("/Label2.Caption\r\n\x96\xA2\x93\x6F\x98\x5E\r\n", 0) == 0,
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

  // The version dialog, opened from the keyboard as a user would: Alt+H, then V. (Wine
  // does not hand another process's menus to GetMenu, so the mnemonics are the way in.)
  ::PostMessageW(v.main, WM_SYSCOMMAND, SC_KEYMENU, L'h');
  ::Sleep(300);
  ::PostMessageW(v.main, WM_CHAR, L'v', 0);
  HWND dialog = awaitWindow([&] { return findTop(v.pid(), L"VarnoltDialog", L"Varnolt"); }, 5000);
  check(dialog != nullptr, "Alt+H, V (ヘルプ(&H) > バージョン情報(&V)) opens the version dialog");
  if (dialog) {
    check(!::IsWindowEnabled(v.main), "the main window is blocked while the dialog is open");
    check(findChild(dialog, L"Static", L"ﾊﾞｰｼﾞｮﾝ 2.1.0") != nullptr,
          "the dialog shows \"ﾊﾞｰｼﾞｮﾝ 2.1.0\"");
    HWND sysInfo = findChild(dialog, L"Button", L"ｼｽﾃﾑ情報(&S)...");
    check(sysInfo != nullptr, "the dialog offers \"ｼｽﾃﾑ情報(&S)...\"");
    // A fresh prefix registers no system information program.
    ::PostMessageW(sysInfo, BM_CLICK, 0, 0);
    HWND box = v.messageBox(5000);
    check(box && boxMessage(box) == L"現時点ではｼｽﾃﾑ情報を使用できません" &&
              ::GetWindow(box, GW_OWNER) == dialog,
          "without MSINFO the dialog says \"現時点ではｼｽﾃﾑ情報を使用できません\"",
          box ? shown(boxMessage(box)) : "no message box");
    if (box) answer(box, IDOK);
    waitFor([&] { return !findTop(v.pid(), L"#32770", L""); }, 3000);
    HWND ok = findChild(dialog, L"Button", L"OK");
    ::PostMessageW(ok, BM_CLICK, 0, 0);
    waitFor([&] { return !::IsWindow(dialog); }, 3000);
    check(!::IsWindow(dialog) && ::IsWindowEnabled(v.main),
          "OK closes the dialog and frees the main window");
  }

  v.quit();
  check(v.waitExit(10000), "the second run ends on Yes");
  const std::string after = readFile(folder + L"\\log.ini");
  check(after.size() > before.size() &&
            after.compare(after.size() - before.size(), before.size(), before) == 0,
        "the second log.ini ends with the first one");
}

void measureStart(const std::wstring& folder, int runs) {
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    Varnolt v(folder);
    if (v.main) ms.push_back(v.startMs);
  }
  check(ms.size() == static_cast<std::size_t>(runs), "every timed start opens the window");
  say("# start-up time (process start to shown main window), " + spread(ms));
}

}  // namespace

void startTests(const Env& env) {
  const std::wstring folder = installVarnolt(env, L"ヴァルノルト試験");
  firstRun(folder, env.shots);
  secondRun(folder);
  measureStart(installVarnolt(env, L"timing"), 7);
}

}  // namespace winetest

using namespace winetest;

int wmain(int argc, wchar_t** argv) {
  if (argc < 5) {
    say("usage: varnolt-wine-driver VARNOLT_EXE WORK_FOLDER SCREENSHOT_FOLDER ROKUCTRL_EXE");
    return 2;
  }
  const Env env{argv[1], argv[4], argv[2], argv[3]};
  // The groups in the order of a full run; VARNOLT_WINE_ONLY=NAME runs one alone (while
  // working on it): start, launch, list, convert, ports (the power and taskbar ports with
  // their system calls replaced), files (the crashed and killed writes), night (whole
  // nights, minutes of waiting), mends (what the night's mends show in the real windows),
  // resume (interrupted nights continued after a restart), history (the download history
  // and the add-files item), window (real input and the screenshots), help, dlls (the
  // libraries planted beside the program), task (the nightly task's group clicked and
  // Varnolt.exe /auto running a night alone).
  const std::pair<std::wstring, std::function<void()>> groups[] = {
      {L"start", [&] { startTests(env); }},
      {L"launch", [&] { controllerLaunchTests(env); }},
      {L"list", [&] { recordingListTests(env); }},
      {L"convert", [&] { conversionTests(env); }},
      {L"ports",
       [] {
         powerPortTests();
         taskbarProgressTests();
       }},
      {L"files", [&] { crashSafeFileTests(env); }},
      {L"night", [&] { nightTests(env); }},
      {L"mends", [&] { nightMendTests(env); }},
      {L"resume", [&] { resumeTests(env); }},
      {L"history", [&] { historyTests(env); }},
      {L"window",
       [&] {
         realInputTests(env);
         for (int dpi : {96, 144}) dpiScreenshots(env, dpi);
       }},
      {L"help", [&] { helpMenuTests(env); }},
      {L"dlls", [&] { dllSearchTests(env); }},
      {L"task",
       [&] {
         nightlyTaskTests(env);
         autoNightTests(env);
       }},
  };
  wchar_t only[16] = {};
  ::GetEnvironmentVariableW(L"VARNOLT_WINE_ONLY", only, 16);
  for (const auto& [name, run] : groups)
    if (!*only || name == only) run();
  say(std::to_string(passedCount()) + " passed, " + std::to_string(failedCount()) + " failed");
  return failedCount() == 0 ? 0 : 1;
}
