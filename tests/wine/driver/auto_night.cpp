// The nightly task's group clicked in the real window, against Wine's scheduler (which refuses
// the interactive logon type) and a recording stand-in of ITaskService (tests/wine/taskfake);
// `Varnolt.exe /auto` running a whole night with no person: new recordings only, no box.
#include "groups.hpp"
#include "night.hpp"

namespace winetest {

namespace {

using namespace std::string_literals;

// The task group's check box and hour on the settings tab, once shown.
std::pair<HWND, HWND> taskGroup(const Varnolt& v) {
  v.selectTab(4);
  return {v.child(L"Button", L"毎日この時刻に自動でダウンロードする"), v.child(L"Edit", L"03")};
}

void typeInto(Xdo& xdo, HWND field, const char* text) {
  xdo.click(field);
  xdo.keys({"ctrl+a"});
  xdo.type(text);
}

// The test build whose Task Scheduler service records the calls the Windows port makes.
void nightlyTaskCalls(const Env& env, Xdo& xdo) {
  say("# the nightly task clicked on and off, its calls recorded by the stand-in service");
  const std::wstring fakeExe =
      env.varnolt.substr(0, env.varnolt.find_last_of(L'\\') + 1) + L"Varnolt-taskfake.exe";
  const std::wstring folder =
      installVarnolt(env.work, L"毎晩 の 呼び出し", fakeExe, designSettings());
  const std::wstring program = joinPath(folder, L"Varnolt.exe");
  const std::wstring calls = joinPath(folder, L"task-calls.log");
  // The task's action names Varnolt.exe in the program's folder.
  ::MoveFileExW(joinPath(folder, L"Varnolt-taskfake.exe").c_str(), program.c_str(),
                MOVEFILE_REPLACE_EXISTING);
  ::DeleteFileW(calls.c_str());
  Varnolt v(program, folder);
  if (!check(v.main, "the test build with the recording service starts")) return;
  const auto [box5, hour] = taskGroup(v);
  // The minute: the box showing 00 on the hour's row (the rule list's hidden page has more).
  HWND minute = nullptr;
  for (HWND c : children(v.main))
    if (hour && classOf(c) == L"Edit" && textOf(c) == L"00" && ::IsWindowVisible(c) &&
        rectOf(c).top == rectOf(hour).top)
      minute = c;
  if (!check(box5 && hour && minute, "the group's check box and time are there")) return;
  typeInto(xdo, hour, "22");
  typeInto(xdo, minute, "30");
  xdo.click(box5);
  const bool on = waitFor([&] { return buttonChecked(box5); }, 10000);
  const bool state = waitFor(
      [&] { return findChild(v.main, L"Static", L"毎日 22:30 に自動実行します") != nullptr; },
      5000);
  check(on && state, "a click turns the task on at 22:30 and the state line says so",
        utf8(textOf(hour)) + ":" + utf8(textOf(minute)));
  const std::string registered = readFile(calls);
  for (const std::string& call :
       {"trigger create 2"s, "trigger start T22:30:00"s, "settings WakeToRun -1"s,
        "principal LogonType 3"s, "action path " + utf8(program), "action arguments /auto"s,
        utf8(L"register Varnolt 自動ダウンロード flags 6 logon 3 user/password/sddl 0/0/0")})
    check(registered.find(call + "\n") != std::string::npos,
          "the click registered the task with \"" + call + "\"");
  check(registered.find("not used") == std::string::npos, "no other call was made");
  xdo.click(box5);
  const bool off = waitFor([&] { return !buttonChecked(box5); }, 10000);
  check(off && readFile(calls).find(utf8(L"delete Varnolt 自動ダウンロード flags 0\n")) !=
                   std::string::npos,
        "a second click turns it off and deletes the task");
}

}  // namespace

void autoNightTests(const Env& env) {
  say("# Varnolt.exe /auto: a whole night alone, two new recordings of five, quit at the end");
  const std::wstring folder = prepareNight(env, L"自動の夜", 6, 2000, true, false);
  // Rows 1 to 3 are in the download history, as the list shows them.
  {
    Varnolt look(folder);
    HWND list = readAndCheck(look, 5, {});
    if (!check(list, "a first start reads the five recordings")) return;
    std::string history = "\xEF\xBB\xBF";
    for (int row = 0; row < 3; ++row)
      history += utf8(listText(list, row, 3)) + "\t" + utf8(listText(list, row, 4)) + "\t" +
                 utf8(listText(list, row, 5)) + "\r\n";
    writeFile(joinPath(folder, L"history.ini"), history);
  }
  closeStandIns();
  ::DeleteFileW(joinPath(folder, L"log.ini").c_str());
  const auto started = std::chrono::steady_clock::now();
  Varnolt v(joinPath(folder, L"Varnolt.exe"), folder, 20000, L"/auto");
  if (!check(v.main, "Varnolt.exe /auto starts")) return;
  HWND box = nullptr;
  const bool ended = waitFor(
      [&] {
        if (!box) box = findTop(v.pid(), L"#32770", L"");
        return !v.running();
      },
      240000);
  check(ended, "the night ends and Varnolt quits by itself",
        std::to_string(static_cast<int>(msSince(started))) + " ms");
  check(box == nullptr, "no box waited for a person", box ? utf8(boxMessage(box)) : "");
  closeStandIns();
  const std::wstring rec = joinPath(folder, L"録画");
  check(fileSize(joinPath(rec, L"映画 七人の侍.m2t")) == 4 * 1048576 &&
            fileSize(joinPath(rec, L"天気予報.m2t")) == 1 * 1048576,
        "the two new recordings are downloaded whole");
  check(!exists(joinPath(rec, L"ニュース／天気.m2t")) &&
            !exists(joinPath(rec, L"ドラマ「夜」第3話.m2t")) &&
            !exists(joinPath(rec, L"ｱﾆﾒ 星の子.m2t")),
        "the three recordings in the history are not downloaded again");
  std::string missing;
  check(
      inOrder(nightLog(folder),
              {kStarted, L"自動実行を開始しました", kClicked, L"リスト取得", L"4をダウンロード開始",
               L"5をダウンロード開始", L"全てのダウンロードが終了しました",
               L"作業結果：ダウンロード 2件、変換 0件、失敗 0件",
               L"全ての作業が終了したので本ソフトを終了します"},
              &missing),
      "log.ini tells the automatic night in order", missing);
  const std::string history = readFile(joinPath(folder, L"history.ini"));
  check(history.find(utf8(L"映画 七人の侍")) != std::string::npos &&
            history.find(utf8(L"天気予報")) != std::string::npos,
        "the two downloads enter history.ini");
}

void nightlyTaskTests(const Env& env) {
  say("# the nightly task: the time typed and the check box clicked, Wine's scheduler refusing");
  Xdo xdo;
  Varnolt v(installVarnolt(env, L"毎晩 の タスク", designSettings()));
  if (!check(v.main && xdo.available(), "Varnolt starts, xdotool answers")) return;
  const auto [box5, hour] = taskGroup(v);
  check(box5 && hour && !buttonChecked(box5),
        "the group shows the task off at start-up (none in the scheduler) at 03");
  if (!box5 || !hour) return;
  typeInto(xdo, hour, "22");
  check(waitFor([&] { return textOf(hour) == L"22"; }, 5000), "the hour typed shows 22",
        utf8(textOf(hour)));
  xdo.click(box5);
  HWND refusal = v.messageBox(10000);
  const std::wstring message = refusal ? boxMessage(refusal) : L"";
  check(message.find(L"毎晩の自動実行をタスクスケジューラに登録できませんでした。") == 0 &&
            message.find(L"0x80004001") != std::wstring::npos,
        "the refusal is told in a box with its error", utf8(message));
  if (refusal) answer(refusal, IDOK);
  const bool off = waitFor([&] { return !buttonChecked(box5); }, 5000);
  HWND state = nullptr;
  for (HWND c : children(v.main))
    if (textOf(c).find(L"登録できませんでした：0x80004001") == 0) state = c;
  check(off && state, "the check box stays off and the state line names the error",
        state ? utf8(textOf(state)) : "no state line");
  nightlyTaskCalls(env, xdo);
}

}  // namespace winetest
