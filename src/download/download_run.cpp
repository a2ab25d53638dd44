// The download sequencer: every checked recording, one after another, unattended.
#include "convert/conversion_list.hpp"
#include "download/file_name.hpp"

namespace varnolt {

using controls::Control;
using controls::ListItem;
using controls::ListView;

namespace {

constexpr int kMinimize = 6;

void downloadingButtons(Form1& f, bool downloading) {
  for (Control* c :
       std::initializer_list<Control*>{&f.Command5, &f.RC_SOUSA[0], &f.Command3, &f.Command1})
    c->setEnabled(!downloading);
  f.Command8.setEnabled(downloading);
}

// The first row of a window list with this class (and caption, when given).
std::optional<Hwnd> firstRow(const ListView& list, std::string_view cls,
                             std::optional<std::string_view> caption = std::nullopt) {
  for (std::size_t r = 1; r <= list.count(); ++r) {
    const ListItem& w = list.item(r);
    if (w.subItem(1) == cls && (!caption || w.subItem(2) == *caption))
      return parseHandleText(w.text);
  }
  return std::nullopt;
}

// A stopped or vanished run leaves no position behind on the mirrored slider.
void resetSlider(Form1& f) {
  f.Slider1.setValue(f.Slider1.min());
}

std::optional<Hwnd> lastRow(const ListView& list, std::string_view cls) {
  std::optional<Hwnd> found;
  for (std::size_t r = 1; r <= list.count(); ++r) {
    const ListItem& w = list.item(r);
    if (w.subItem(1) == cls) found = parseHandleText(w.text);
  }
  return found;
}

}  // namespace

void Form1::Command5_Click() {
  try {
    if (controllerRefuses()) return;
    state.exitFlag = false;
    runStarted();
    if (Check1.value() == 1) {
      ListView10.clear();
      for (std::size_t r = 1; r <= ListView1.count(); ++r)
        if (ListView1.item(r).subItem(8) == kNotSet) ListView1.setSubItem(r, 8, Text4.text());
    }
    std::vector<std::size_t> recordings;
    for (std::size_t r = ListView1.nextChecked(0); r != 0; r = ListView1.nextChecked(r))
      recordings.push_back(r);
    nightStarted(recordings);
    dl_start();
    nightStartSettled();
  } catch (const RunError& e) {
    // A controller handle that is no number (the controller never found) must not end
    // the program.
    msgBox(runtimeErrorReport("cmd5,", e, 0));
  }
}

void Form1::dl_start() {
  auto& position = state.downloadPosition;
  if (position == 0) {
    position = static_cast<std::int16_t>(ListView1.nextChecked(0));
    if (position == 0) {
      msgBox("リストがチェックされていません\r\n処理を中止します");
      return;
    }
  }
  // Until its save dialog is confirmed, nothing has been transferred for this row.
  state.downloadConfirmed = false;
  if (Label2.caption() == kNotRegistered) {
    msgBox("ロクラクコントローラを選択してください");
    position = 0;
    return;
  }
  if (Text4.text() == kNotSet) {
    msgBox("保存先フォルダを選択してください");
    position = 0;
    return;
  }
  // The folder is made before the controller is asked for anything: a row that has no
  // folder to go to fails, is logged and counted, and the night goes on with the next.
  while (!(ports.files.makeSurePathExists(Text4.text() + "\\") &&
           ports.files.folderExists(Text4.text()))) {
    const auto row = static_cast<std::size_t>(position);
    logAdd("保存先フォルダ「" + Text4.text() + "」を作成できませんでした（" + std::to_string(row) +
           "行目：" + recordingTitle(row) + "）");
    downloadFailed(row);
    const std::size_t next = ListView1.nextChecked(row);
    if (next == 0) {
      downloadsFinished();
      return;
    }
    position = static_cast<std::int16_t>(next);
  }
  ListView1.selectOnly(static_cast<std::size_t>(position));
  ports.windows.showWindow(parseHandleText(StatusBar1.panel(4)), kMinimize);
  if (ListView3.count() == 0) return;

  const auto listBox = lastRow(ListView3, "ListBox");
  if (!listBox) {
    msgBox("エラーが発生しました");
    return;
  }
  const std::size_t r = ListView1.selectedRow();
  ports.windows.listBoxSetCurSel(*listBox, static_cast<int>(r) - 1);
  constexpr int kUp = 0x26, kDown = 0x28;
  // One step away and back: the controller takes up the entry as its current recording.
  const bool last = r == ListView1.count();
  ports.windows.keyDown(*listBox, last ? kUp : kDown);
  ports.windows.keyDown(*listBox, last ? kDown : kUp);

  const auto trackbar = firstRow(ListView3, "msctls_trackbar32", "Slider1");
  if (!trackbar) {
    msgBox("エラーが発生しました");
    return;
  }
  const int max = ports.windows.trackbarMax(*trackbar);
  const int min = ports.windows.trackbarMin(*trackbar);
  Slider1.setRange(min, max);
  Slider1.setTickFrequency(static_cast<int>(text_rules::roundHalfEven(max / 10.0)));

  runStarted();
  Command2_Click();
  downloadingButtons(*this, true);
}

void Form1::Timer1_Timer() {
  try {
    const Hwnd receive = parseHandleText(rc_zyusin_btn.text());
    const Hwnd slider = parseHandleText(rc_slider.text());
    // A controller that crashed or was closed answers nothing for ever: end the run
    // and leave the machine as it is, so the user sees why.
    if (!ports.windows.isWindow(receive) || !ports.windows.isWindow(slider)) {
      const int row = state.downloadPosition;
      runStoppedOnError();
      Timer1.setEnabled(false);
      ListView1.setEnabled(true);
      resetSlider(*this);
      state.downloadPosition = 0;
      downloadingButtons(*this, false);
      statusAndLog("ロクラクコントローラが終了したため作業を中止しました（" + std::to_string(row) +
                   "行目）");
      keepAwake(false);
      markPartialDownload();
      return;
    }
    Slider1.setValue(ports.windows.trackbarPos(slider));
    const bool receiveEnabled = ports.windows.isEnabled(receive);
    if (Slider1.value() != 0 || !receiveEnabled) return;

    const auto position = static_cast<std::size_t>(state.downloadPosition);
    const std::string row = std::to_string(position);
    const std::string file = state.downloadPath + ".m2t";
    if (position != 0 && (!state.downloadConfirmed || !ports.files.fileExists(file))) {
      // Never report a transfer that did not happen as a download.
      logAdd(row + "のダウンロードに失敗しました（ファイルが見つかりません）");
      downloadFailed(position);
    } else {
      if (position != 0) {
        nightSucceeded(true);
        // A row whose poll stopped on a run-time error stays out of the history.
        if (state.night.time1FailedRow != state.downloadPosition)
          recordCompleteDownload(position, file);
      }
      if (Check1.value() == 1) {
        logAdd(row + "のダウンロードが終了しました");
        m2tlist_Add(file, state.downloadMpgFolder);
        logAdd(row + "をストリーム変換リストに登録しました");
      }
    }
    // The file is whole and no longer the transfer under way.
    state.downloadConfirmed = false;

    if (const std::size_t next = ListView1.nextChecked(position)) {
      state.downloadPosition = static_cast<std::int16_t>(next);
      dl_start();
      return;
    }
    downloadsFinished();
  } catch (const RunError& e) {
    // The tick is tried again by the next one: a row is counted as failed once.
    if (state.night.time1FailedRow != state.downloadPosition) {
      state.night.time1FailedRow = state.downloadPosition;
      downloadFailed(static_cast<std::size_t>(state.downloadPosition));
    }
    runStoppedOnError();
    resetSlider(*this);
    msgBox(runtimeErrorReport("time1,", e, 0));
  }
}

void Form1::downloadFailed(std::size_t row) {
  if (state.night.active && row > 0) state.night.downloads[row] = NightTally::Outcome::Failed;
  nightFailed(recordingTitle(row));
}

void Form1::awaitTransfer() {
  const Hwnd slider = parseHandleText(rc_slider.text());
  Slider1.setRange(ports.windows.trackbarMin(slider), ports.windows.trackbarMax(slider));
  runStarted();
  ListView1.setEnabled(false);
  Timer1.setEnabled(true);
  downloadingButtons(*this, true);
}

void Form1::downloadsFinished() {
  Timer1.setEnabled(false);
  ListView1.setEnabled(true);
  statusAndLog("全てのダウンロードが終了しました");
  state.downloadPosition = 0;
  downloadingButtons(*this, false);
  bool toConvert = false;
  for (std::size_t r = 1; r <= ListView10.count() && !toConvert; ++r)
    toConvert =
        ListView10.item(r).checked && ListView10.item(r).subItem(m2tcol::kStatus) == kNotWorked;
  // With nothing downloaded there is nothing to convert: the night ends here rather than
  // stopping on the conversion's "nothing checked" box.
  if (Check1.value() == 1 && toConvert) {
    logAdd("全てのダウンロードを終了しました。ストリーム変換リストに移行します");
    state.SameNameChecked = true;
    Command9.setEnabled(false);
    Command6.setEnabled(true);
    state.ConvStop = false;
    m2t_start();
    if (Check3.value() == 1) Check2.setValue(1);
  } else {
    // The night ends: its outcome is logged before any action.
    logNightSummary();
    Win_Exit_State();
  }
}

void Form1::Command8_Click() {
  const auto interrupt = firstRow(ListView3, "Button", "中断");
  if (!interrupt) {
    msgBox("エラーが発生しました");
    return;
  }
  Timer1.setEnabled(false);
  ListView1.setEnabled(true);
  resetSlider(*this);
  statusAndLog("ダウンロードがキャンセルされました");
  state.downloadPosition = 0;
  msgBox(Label100.caption());
  // The transfer may have finished while the box was open: then its file is whole.
  bool finished = false;
  try {
    finished = ports.windows.trackbarPos(parseHandleText(rc_slider.text())) == 0 &&
               ports.windows.isEnabled(parseHandleText(rc_zyusin_btn.text()));
  } catch (const RunError&) {
  }
  ports.windows.activate(*interrupt);
  // The run ends here whether or not the controller has handled the click.
  (void)ports.windows.click(*interrupt, platform::ClickMode::Sent, 0);
  if (finished && state.downloadConfirmed && ports.files.fileExists(state.downloadPath + ".m2t")) {
    nightSucceeded(true);
    state.downloadConfirmed = false;
  }
  markPartialDownload();
  logNightSummary();
  ports.windows.setForeground(ports.mainWindow ? ports.mainWindow() : 0);
  downloadingButtons(*this, false);
}

void Form1::markPartialDownload() {
  if (!state.downloadConfirmed) return;
  state.downloadConfirmed = false;
  const std::string file = state.downloadPath + ".m2t";
  if (!ports.files.fileExists(file)) return;
  const SplitPath parts = splitPath(file);
  const std::string name = freeFittingName(
      parts.baseName, "（未完了）", {{parts.folder, ".m2t"}},
      [this](std::string_view t) { return ports.codec.toAnsi(t).size(); },
      [this](const std::string& path) { return ports.files.fileExists(path); });
  const std::string target = parts.folder + "\\" + name + ".m2t";
  // A controller that has just been stopped or has just gone may still hold the file for
  // a moment.
  constexpr int kTries = 10, kPauseMs = 300;
  for (int i = 0; i < kTries; ++i) {
    if (ports.files.renameFile(file, target)) {
      logAdd("完了していないダウンロードのファイル名を変更しました：" + target);
      return;
    }
    ports.clock.sleep(kPauseMs);
  }
  logAdd("完了していないダウンロードのファイル名を変更できませんでした：" + file);
}

}  // namespace varnolt
