// Start-up, the tab-change rule, the menus and the close request.
#include "app/form1.hpp"

namespace varnolt {

void Form1::Form_Load() {
  const auto today = ports.clock.now();
  DTPicker1.setValue({today.year, today.month, today.day});
  state.exitFlag = false;
  logInPut(appFile(*this, "log.ini"));
  state.minWidth = width;
  state.minHeight = height;
  state.prevHeight = height;
  state.prevWidth = width;
  state.downloadPosition = 0;
  KankyouInPut(appFile(*this, "default.ini"));
  FreeSpace_Get();
  TimerTask.setEnabled(true);
  SSTab1_Click(3);
  statusAndLog("Varnolt起動");
  // The automatic night resumes a cut night itself, without asking.
  if (!autoStart) resumeJournalIfAny(true);
}

void Form1::SSTab1_Click(int previousTab) {
  if (SSTab1.tab() == 0) {
    FreeSpace_Get();
    CheckSize_Sum();
  }
  if (previousTab == 4) {
    const std::string& t = Text4.text();
    if (!t.empty() && t.back() == '\\') Text4.setText(t.substr(0, t.size() - 1));
  }
}

bool Form1::Form_QueryUnload() {
  if (!state.exitFlag) {
    // Quitting in the middle of a run abandons it: the question says so, and the log
    // tells the next morning where the run was left.
    const std::string run = runUnderWay();
    const std::string question = run.empty() ? std::string("アプリケーションを終了しますか ?")
                                             : "作業中です（" + run +
                                                   "）。\r\n終了すると作業は中断されます。\r\n"
                                                   "アプリケーションを終了しますか ?";
    int answer = msgBox(question, platform::mb::kYesNo | platform::mb::kIconQuestion);
    if (answer != platform::mb::kIdYes) return false;
    if (!run.empty()) logAdd("作業を中断して終了しました（" + run + "）");
  }
  // Saved on every accepted close, the silent one of an unattended run included:
  // the work log of a night's run is what the user reads the next morning.
  // The close completes either way; the message says where Varnolt keeps its files and
  // how to make the next quit succeed, since a program unpacked under Program Files (or
  // onto a read-only medium) cannot write beside itself.
  const std::string failures = saveLogAndSettings();
  if (!failures.empty())
    msgBox("次のファイルを保存できませんでした。\r\n" + failures +
               "\r\n\r\n作業ログと設定は Varnolt のフォルダ「" + ports.appPath +
               "」に保存されます。\r\n"
               "このフォルダに書き込めないと、今回の作業ログと設定は次回に引き継がれません。"
               "\r\nファイルの読み取り専用を解除するかディスクの空きを確保するか、"
               "Varnolt を書き込みできるフォルダ（Program Files の下ではなく、ドキュメントなど）"
               "に移してから起動し直してください。",
           platform::mb::kOk | platform::mb::kIconExclamation);
  return true;
}

std::string Form1::saveLogAndSettings() {
  std::string failures;
  auto save = [&](const char* name, auto write) {
    const std::string path = appFile(*this, name);
    try {
      (this->*write)(path);
    } catch (const std::exception& e) {
      if (!failures.empty()) failures += "\r\n";
      failures += path + "\r\n" + e.what();
    }
  };
  save("log.ini", &Form1::logOutPut);
  save("default.ini", &Form1::KankyouOutPut);
  return failures;
}

void Form1::requestClose() {
  if (closed) return;
  if (!Form_QueryUnload()) return;
  closed = true;
  keepAwake(false);
  for (auto* t : timers()) t->setEnabled(false);
  if (destroyWindow) destroyWindow();
}

void Form1::pulldown_file_end_Click() {
  requestClose();
}

void Form1::pulldown_help_help_Click() {
  ports.shell.openDocument(ports.mainWindow ? ports.mainWindow() : 0, appFile(*this, "help.chm"));
}

void Form1::setWindowSize(int w, int h) {
  if (resizeWindow) {
    resizeWindow(w, h);
    return;
  }
  width = w;
  height = h;
  Form_Resize();
}

}  // namespace varnolt
