// The automatic night: `Varnolt.exe /auto` (or a second start with it) launches the
// controller, reads the list, checks the new recordings and starts the night with the
// saved settings, and no message box waits for a person until the end-of-work action.
#include "app/single_instance.hpp"
#include "automation/window_list.hpp"

namespace varnolt {

namespace {

constexpr const char* kRefused = "自動実行を中止しました：";

// A box's text on one log line.
std::string oneLine(std::string_view text) {
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    line += text[i] == '\n' || text[i] == '\r' ? ' ' : text[i];
  }
  return line;
}

// The answer that keeps the user's files: No to a question, Cancel or Abort to a
// request to go on; a plain box is acknowledged.
int keepingAnswer(unsigned flags) {
  using namespace platform::mb;
  switch (flags & 0xF) {
    case kYesNo:
    case kYesNoCancel:
      return kIdNo;
    case kOkCancel:
    case kRetryCancel:
      return kIdCancel;
    case kAbortRetryIgnore:
      return kIdAbort;
    default:
      return kIdOk;
  }
}

const char* answerName(int id) {
  using namespace platform::mb;
  switch (id) {
    case kIdNo:
      return "いいえ";
    case kIdCancel:
      return "キャンセル";
    case kIdAbort:
      return "中止";
    default:
      return "OK";
  }
}

}  // namespace

int Form1::msgBox(std::string_view text, unsigned flags, std::string_view title) {
  if (!unattended) return ports.dialogs.messageBox(text, title, flags);
  const int answer = keepingAnswer(flags);
  std::string line =
      answer == platform::mb::kIdOk
          ? std::string("自動実行中のため表示しなかったメッセージ：")
          : std::string("自動実行中のため「") + answerName(answer) + "」と答えた質問：";
  line += oneLine(text);
  if (heldBoxes_)
    heldBoxes_->push_back(oneLine(text));
  else
    logAdd(line);
  return answer;
}

bool Form1::nightUnderWay() const {
  return unattended || Timer1.enabled() || Command8.enabled() || Command6.enabled();
}

void Form1::endUnattended() {
  if (!unattended) return;
  unattended = false;
  keepAwake(false);
}

void Form1::refuseAutoNight(std::string_view why) {
  endUnattended();
  statusAndLog(kRefused + std::string(why));
}

void Form1::commandLine(const std::vector<std::string>& args) {
  if (isAutoCommandLine(args)) autoNight();
}

void Form1::autoNight() {
  unattended = true;
  keepAwake(true);
  statusAndLog("自動実行を開始しました");
  // The journal logs the night it resumes.
  if (resumeJournalIfAny(false)) return;
  if (Label2.caption() == kNotRegistered) {
    refuseAutoNight("ロクラク・コントローラが登録されていません");
    return;
  }
  if (Text4.text() == kNotSet) {
    refuseAutoNight("ダウンロードのデフォルトパスが設定されていません");
    return;
  }

  // The launch and the list read report a failure only by a box: held back, its text
  // becomes the refusal's reason; after a success the held texts are logged as usual.
  std::vector<std::string> held;
  auto step = [&](controls::Button& done, auto handler) {
    held.clear();
    done.setEnabled(false);
    heldBoxes_ = &held;
    struct Release {
      std::vector<std::string>*& boxes;
      ~Release() { boxes = nullptr; }
    } release{heldBoxes_};
    (this->*handler)();
    return done.enabled();
  };
  auto refusedBy = [&](std::string_view what) {
    refuseAutoNight(std::string(what) + (held.empty() ? std::string() : "（" + held.back() + "）"));
  };
  if (!step(Command1, &Form1::Command3_Click)) {
    refusedBy("ロクラクコントローラを起動できませんでした");
    return;
  }
  for (const std::string& text : held) logAdd("自動実行中のため表示しなかったメッセージ：" + text);
  if (!step(Command5, &Form1::Command1_Click)) {
    refusedBy("録画リストを読めませんでした");
    return;
  }
  for (const std::string& text : held) logAdd("自動実行中のため表示しなかったメッセージ：" + text);

  // Without the history every recording would count as new and be downloaded again.
  if (!loadDownloadHistory()) {
    refuseAutoNight("ダウンロード履歴（history.ini）を読み込めませんでした");
    return;
  }
  if (checkNewRecordings() == 0) {
    statusAndLog("新しい録画はありませんでした");
    Win_Exit_State();
    return;
  }
  Command5_Click();
}

void Form1::finalBox(std::string_view text, unsigned flags) {
  endUnattended();
  finalBoxOpen_ = true;
  msgBox(text, flags);
  finalBoxOpen_ = false;
}

void Form1::finalBoxClosed() {
  if (!autoNightPending_) return;
  autoNightPending_ = false;
  autoNight();
}

void Form1::secondStart(const std::vector<std::string>& args) {
  if (const Hwnd main = ports.mainWindow ? ports.mainWindow() : 0) {
    constexpr int kRestore = 9;
    ports.windows.showWindow(main, kRestore);
    ports.windows.setForeground(main);
  }
  if (!isAutoCommandLine(args)) return;
  if (finalBoxOpen_) {
    // The box of the night before is closed; the new night starts once it is gone.
    autoNightPending_ = true;
    if (closeFinalBox) closeFinalBox();
    return;
  }
  if (nightUnderWay()) {
    logAdd("自動実行の指示を受けましたが、作業中のため開始しませんでした");
    return;
  }
  autoNight();
}

}  // namespace varnolt
