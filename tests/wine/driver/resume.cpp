// An interrupted night continued against the stand-in: a power cut and a kill of Varnolt alone
// mid-transfer; after the restart a real click answers "はい(&Y)" and the night completes.
#include "groups.hpp"
#include "night.hpp"

#include <algorithm>

namespace winetest {

namespace {

const std::wstring kFirst = L"ニュース／天気.m2t";
const std::wstring kSecond = L"ドラマ「夜」第3話.m2t";
const std::wstring kPartial = L"ニュース／天気（未完了）.m2t";

// Ends a process at once, as a power cut or the task manager does; whether it is gone.
bool terminate(DWORD pid) {
  Handle p(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid));
  return p && ::TerminateProcess(p.get(), 9) && ::WaitForSingleObject(p.get(), 10000) == 0;
}

DWORD controllerPid() {
  for (HWND h : topLevel())
    if (classOf(h) == kStandInClass) return pidOf(h);
  return 0;
}

// A night of rows 1 and 2 ending with "何もしない", cut once the first file has bytes: Varnolt
// is ended, and the controller too when `powerCut`. Its folder, empty when it was not cut so.
std::wstring cutNight(const Env& env, const std::wstring& name, int jobMs, bool powerCut) {
  const std::wstring folder = prepareNight(env, name, 5, jobMs, true, false);
  const std::wstring first = joinPath(joinPath(folder, L"録画"), kFirst);
  Varnolt v(folder);
  if (!check(readAndCheck(v, 5, {1, 2}),
             "Varnolt starts, reads the five recordings and rows 1 and 2 are checked") ||
      !startDownload(v))
    return {};
  const bool writing = waitFor([&] { return fileSize(first) > 0; }, 90000);
  const bool journal = exists(joinPath(folder, L"night.ini"));
  const DWORD controller = controllerPid();
  const bool ended = terminate(v.pid()) && (!powerCut || terminate(controller));
  const std::int64_t cut = fileSize(first);
  check(writing && journal && ended && cut < kRecordings[0].bytes(),
        std::string(powerCut ? "Varnolt.exe and RokuCtrl.exe are" : "Varnolt.exe alone is") +
            " ended mid-transfer, the journal night.ini beside the program",
        std::to_string(cut) + " of " + std::to_string(kRecordings[0].bytes()) + " bytes written");
  if (!powerCut)
    check(controllerPid() == controller && controller != 0,
          "the controller goes on with its transfer");
  return writing && journal && ended ? folder : std::wstring();
}

// Restarts Varnolt in `folder`, clicks "はい(&Y)", closes the end box and quits so that log.ini
// is written; the log's messages, empty when the night did not end.
std::vector<std::wstring> resumeNight(const std::wstring& folder, Xdo& xdo) {
  // The question comes at the end of start-up, before the main window shows.
  Varnolt v(joinPath(folder, L"Varnolt.exe"), folder, 0);
  HWND box = v.messageBox(60000);
  const std::wstring text = box ? boxMessage(box) : L"";
  check(text.find(L"前回の作業が終わらないまま Varnolt が終了しました。") != std::wstring::npos &&
            text.find(L"残りは録画のダウンロード 2件、ストリーム変換 0件です。") !=
                std::wstring::npos &&
            endsWith(text, L"続きを行いますか？"),
        "the restarted Varnolt asks whether to continue the night's two downloads",
        box ? shown(text) : "no message box");
  HWND yes = box ? findChild(box, L"Button", L"はい(&Y)") : nullptr;
  if (!yes) return {};
  // A box just shown may not take the first click yet; it is clicked again while it stays.
  for (int i = 0; i < 3 && ::IsWindow(box); ++i) {
    xdo.click(yes);
    waitFor([&] { return !::IsWindow(box); }, 5000);
  }
  // Starting or taking the controller and reading its list come before the window shows.
  v.main = awaitWindow([&] { return findTop(v.pid(), L"VarnoltMain", L"Varnolt"); }, 120000);
  check(v.main && !::IsWindow(box), "a click on \"はい(&Y)\" answers the question");
  if (!v.main) return {};
  HWND done = v.dialog([](HWND d) { return boxMessage(d) == kAllDone; }, 300000);
  if (!checkBox(done, kAllDone, "the night ends with the message \"全ての作業が終了しました\""))
    return {};
  answer(done, IDOK);
  waitFor([&] { return !::IsWindow(done); }, 10000);
  check(!exists(joinPath(folder, L"night.ini")), "the finished night removes night.ini");
  v.quit(20000);
  check(v.waitExit(30000), "Varnolt quits when asked, writing log.ini");
  return nightLog(folder);
}

// The cut night continued: after a power cut the cut file is kept renamed and both recordings
// are transferred again; after a kill of Varnolt alone its running transfer is waited for.
void resumedNight(const Env& env, Xdo& xdo, bool powerCut) {
  say(powerCut ? "# a power cut mid-transfer, then the night continued"
               : "# Varnolt.exe alone killed mid-transfer, then the night continued");
  // Killed alone: the first transfer is still under way when the restarted Varnolt looks.
  const std::wstring folder =
      cutNight(env, powerCut ? L"停電" : L"強制終了", powerCut ? 20000 : 60000, powerCut);
  if (folder.empty()) return;
  const std::wstring rec = joinPath(folder, L"録画");
  const std::wstring partial = joinPath(rec, kPartial);
  const std::int64_t cut = fileSize(joinPath(rec, kFirst));
  const DWORD controller = controllerPid();
  const auto log = resumeNight(folder, xdo);
  if (log.empty()) return;
  const std::int64_t kept = fileSize(partial);
  if (powerCut)
    check(kept == cut && kept > 0, "the cut file is kept as " + utf8(partial),
          std::to_string(kept) + " bytes, " + std::to_string(cut) + " at the cut");
  else
    check(controllerPid() == controller, "the resumed night takes the running controller");
  check(fileSize(joinPath(rec, kFirst)) == kRecordings[0].bytes() &&
            fileSize(joinPath(rec, kSecond)) == kRecordings[1].bytes() &&
            (powerCut || !exists(partial)),
        powerCut ? "both recordings are downloaded whole"
                 : "the transfer that went on is kept whole and both files are there once");
  std::vector<std::wstring> want = {
      L"中断された作業を再開します", kClicked, L"リスト取得",
      powerCut ? L"完了していないダウンロードのファイル名を変更しました：" + partial
               : L"中断されたダウンロードの終了を待ちます（1行目）"};
  if (powerCut) want.push_back(L"1をダウンロード開始");
  want.insert(want.end(), {L"2をダウンロード開始", L"全てのダウンロードが終了しました",
                           L"作業結果：ダウンロード 2件、変換 0件、失敗 0件", kAllDone});
  std::string missing;
  check(inOrder(log, want, &missing),
        powerCut ? "log.ini tells the resumed night: the answer, the renamed file, both "
                   "downloads, the summary"
                 : "log.ini tells the resumed night: the answer, the wait for the transfer, the "
                   "second download, the summary",
        missing);
  const auto count = [&](const wchar_t* line) { return std::count(log.begin(), log.end(), line); };
  check(count(L"1をダウンロード開始") == (powerCut ? 1 : 0) && count(L"2をダウンロード開始") == 1,
        powerCut ? "the resumed night transfers each recording once"
                 : "the first recording is not transferred a second time");
}

}  // namespace

void resumeTests(const Env& env) {
  runNights(env, true,
            {[](const Env& e, Xdo& x) { resumedNight(e, x, true); },
             [](const Env& e, Xdo& x) { resumedNight(e, x, false); }});
}

}  // namespace winetest
