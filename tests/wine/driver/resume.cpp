// An interrupted night continued in Varnolt's real windows against the stand-in RokuCtrl.exe:
// a power cut (Varnolt and the controller ended mid-transfer) and a kill of Varnolt alone;
// the restarted Varnolt asks whether to continue, a real click answers "はい(&Y)", and the
// night completes with every file there once and a log that tells the story.
#include "groups.hpp"
#include "night.hpp"
#include "xdo.hpp"

#include <algorithm>

namespace winetest {

namespace {

const std::wstring kAllDownloaded = L"全てのダウンロードが終了しました";
const std::wstring kResumed = L"中断された作業を再開します";
const std::wstring kSummary = L"作業結果：ダウンロード 2件、変換 0件、失敗 0件";
// Rows 1 and 2 are checked; the file names their titles become.
const wchar_t* const kFirst = L"ニュース／天気";
const wchar_t* const kSecond = L"ドラマ「夜」第3話";

std::int64_t megabytes(int row) {
  return std::int64_t{kRecordings[row - 1].megabytes} * 1048576;
}

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

// The log's messages in log.ini, oldest first.
std::vector<std::wstring> loggedMessages(const std::wstring& folder) {
  auto got = logMessages(fromCp932(readFile(joinPath(folder, L"log.ini"))));
  std::reverse(got.begin(), got.end());
  return got;
}

int occurrences(const std::vector<std::wstring>& log, const std::wstring& line) {
  return static_cast<int>(std::count(log.begin(), log.end(), line));
}

// A night of rows 1 and 2, conversion off, ending with "何もしない", started and cut once the
// first file has bytes: Varnolt is ended, and the controller too when `powerCut`. The night's
// folder, empty when it could not be cut mid-transfer.
std::wstring cutNight(const Env& env, const std::wstring& name, int jobMs, bool powerCut) {
  const std::wstring folder = prepareNight(env, name, 5, jobMs, true, false);
  const std::wstring first = joinPath(joinPath(folder, L"録画"), std::wstring(kFirst) + L".m2t");
  Varnolt v(folder);
  HWND list = v.main ? startAndRead(v, 5) : nullptr;
  const bool rows = list && checkRow(list, 1) && checkRow(list, 2);
  check(rows, "Varnolt starts, reads the five recordings and rows 1 and 2 are checked");
  if (!rows || !startDownload(v)) return {};
  const bool writing = waitFor([&] { return fileSize(first) > 0; }, 90000);
  const bool journal = exists(joinPath(folder, L"night.ini"));
  const DWORD controller = controllerPid();
  const bool ended = terminate(v.pid()) && (!powerCut || terminate(controller));
  const std::int64_t cut = fileSize(first);
  check(writing && journal && ended && cut < megabytes(1),
        std::string(powerCut ? "Varnolt.exe and RokuCtrl.exe are" : "Varnolt.exe alone is") +
            " ended mid-transfer, the journal night.ini beside the program",
        std::to_string(cut) + " of " + std::to_string(megabytes(1)) + " bytes written");
  if (!powerCut)
    check(controllerPid() == controller && controller != 0,
          "the controller goes on with its transfer");
  return writing && journal && ended ? folder : std::wstring();
}

// Restarts Varnolt in `folder`, answers the question with a real click on "はい(&Y)", waits
// for the night's end and closes its box, then quits so that log.ini is written. The log's
// messages, empty when the night did not end.
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
  const bool shownMain = v.main != nullptr;
  check(shownMain && !::IsWindow(box), "a click on \"はい(&Y)\" answers the question");
  if (!shownMain) return {};
  HWND done = v.dialog([](HWND d) { return boxMessage(d) == kAllDone; }, 300000);
  check(done && boxMessage(done) == kAllDone,
        "the night ends with the message \"全ての作業が終了しました\"",
        done ? shown(boxMessage(done)) : "no message box");
  if (!done || boxMessage(done) != kAllDone) return {};
  answer(done, IDOK);
  waitFor([&] { return !::IsWindow(done); }, 10000);
  check(!exists(joinPath(folder, L"night.ini")), "the finished night removes night.ini");
  v.quit(20000);
  check(v.waitExit(30000), "Varnolt quits when asked, writing log.ini");
  return loggedMessages(folder);
}

void powerCutNight(const Env& env, Xdo& xdo) {
  say("# a power cut mid-transfer, then the night continued");
  const std::wstring folder = cutNight(env, L"停電", 20000, true);
  if (folder.empty()) return;
  const std::wstring rec = joinPath(folder, L"録画");
  const std::wstring partial = joinPath(rec, std::wstring(kFirst) + L"（未完了）.m2t");
  const std::int64_t cut = fileSize(joinPath(rec, std::wstring(kFirst) + L".m2t"));
  const auto log = resumeNight(folder, xdo);
  if (log.empty()) return;
  const std::int64_t kept = fileSize(partial);
  check(kept == cut && kept > 0, "the cut file is kept as " + utf8(partial),
        std::to_string(kept) + " bytes, " + std::to_string(cut) + " at the cut");
  check(fileSize(joinPath(rec, std::wstring(kFirst) + L".m2t")) == megabytes(1) &&
            fileSize(joinPath(rec, std::wstring(kSecond) + L".m2t")) == megabytes(2),
        "both recordings are downloaded whole");
  std::string missing;
  check(
      inOrder(log,
              {kResumed, kClicked, L"リスト取得",
               L"完了していないダウンロードのファイル名を変更しました：" + partial,
               L"1をダウンロード開始", L"2をダウンロード開始", kAllDownloaded, kSummary, kAllDone},
              &missing),
      "log.ini tells the resumed night: the answer, the renamed file, both downloads, the "
      "summary",
      missing);
  check(occurrences(log, L"1をダウンロード開始") == 1 &&
            occurrences(log, L"2をダウンロード開始") == 1,
        "the resumed night transfers each recording once");
}

void killedVarnoltNight(const Env& env, Xdo& xdo) {
  say("# Varnolt.exe alone killed mid-transfer, then the night continued");
  // Long transfers: the first is still under way when the restarted Varnolt looks at it.
  const std::wstring folder = cutNight(env, L"強制終了", 60000, false);
  if (folder.empty()) return;
  const std::wstring rec = joinPath(folder, L"録画");
  const DWORD controller = controllerPid();
  const auto log = resumeNight(folder, xdo);
  if (log.empty()) return;
  check(controllerPid() == controller, "the resumed night takes the running controller");
  check(fileSize(joinPath(rec, std::wstring(kFirst) + L".m2t")) == megabytes(1) &&
            fileSize(joinPath(rec, std::wstring(kSecond) + L".m2t")) == megabytes(2) &&
            !exists(joinPath(rec, std::wstring(kFirst) + L"（未完了）.m2t")),
        "the transfer that went on is kept whole and both files are there once");
  std::string missing;
  check(inOrder(
            log,
            {kResumed, kClicked, L"リスト取得", L"中断されたダウンロードの終了を待ちます（1行目）",
             L"2をダウンロード開始", kAllDownloaded, kSummary, kAllDone},
            &missing),
        "log.ini tells the resumed night: the answer, the wait for the transfer, the second "
        "download, the summary",
        missing);
  check(occurrences(log, L"1をダウンロード開始") == 0 &&
            occurrences(log, L"2をダウンロード開始") == 1,
        "the first recording is not transferred a second time");
}

}  // namespace

void resumeTests(const Env& env) {
  Xdo xdo;
  check(xdo.available() && xdo.run({"version"}), "xdotool answers through the input folder");
  closeStandIns();
  powerCutNight(env, xdo);
  closeStandIns();
  killedVarnoltNight(env, xdo);
  closeStandIns();
}

}  // namespace winetest
