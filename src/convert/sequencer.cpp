// The conversion run: one file at a time through the controller's "PCで再生", polled by
// Timer2, each result judged by size, the end-of-work action after the last file.
#include "automation/window_list.hpp"
#include "convert/conversion_list.hpp"

namespace varnolt {

using controls::ListItem;
using controls::ListView;

namespace {

// The controller takes file names of at most this many bytes, counted two per character.
constexpr std::size_t kMaxNameBytes = 62;
constexpr int kDirPressLimitMs = 1000, kPlayPressLimitMs = 3000;
constexpr int kOldOutputPauseMs = 5000;
constexpr int kSwMinimize = 6;

// Bytes of the text in UTF-16, as the controller's limit is counted.
std::size_t utf16Bytes(const std::string& utf8) {
  std::size_t units = 0;
  for (unsigned char c : utf8) {
    if ((c & 0xC0) == 0x80) continue;
    units += c >= 0xF0 ? 2 : 1;  // four-byte sequences are surrogate pairs
  }
  return units * 2;
}

void press(Form1& form, const std::string& handle, int limitMs) {
  const Hwnd h = parseHandleText(handle);
  form.ports.windows.activate(h);
  // A press that opens a modal dialog does not return within the limit; that is normal.
  (void)form.ports.windows.click(h, platform::ClickMode::SentWithTimeout, limitMs);
}

// Handle text of the first child row with this class (and caption, when given); "" when
// none matches.
std::string childHandle(const ListView& list, std::string_view cls, const char* caption) {
  for (std::size_t r = 1; r <= list.count(); ++r) {
    const ListItem& row = list.item(r);
    if (row.subItem(1) == cls && (!caption || row.subItem(2) == caption)) return row.text;
  }
  return {};
}

// The controller crashed or was closed: its windows answer nothing for ever. The run
// ends and the machine stays as it is, so the user sees why; ConvRow keeps the row, so
// a later start resumes it.
void stopForVanishedController(Form1& form) {
  form.runStoppedOnError();
  form.keepAwake(false);
  form.Slider1.setValue(form.Slider1.min());
  form.Timer2.setEnabled(false);
  form.ListView10.setEnabled(true);
  form.Command9.setEnabled(true);
  form.Command6.setEnabled(false);
  form.statusAndLog("ロクラクコントローラが終了したため作業を中止しました（" +
                    std::to_string(form.state.ConvRow) + "行目）");
}

// A run ended by a run-time error report: the row counts as failed and the slider shows
// no position.
void stopOnError(Form1& form) {
  form.nightFailed(form.conversionFileName(static_cast<std::size_t>(form.state.ConvRow)));
  form.runStoppedOnError();
  form.Slider1.setValue(form.Slider1.min());
  // A run that polls no more is over for now; a poll that failed is tried again.
  if (!form.Timer2.enabled()) form.keepAwake(false);
}

bool controllerGone(Form1& form, std::initializer_list<const std::string*> handles) {
  for (const std::string* h : handles)
    if (!form.ports.windows.isWindow(parseHandleText(*h))) return true;
  return false;
}

}  // namespace

void Form1::Command9_Click() {
  if (controllerRefuses()) return;
  state.exitFlag = false;
  FileNameByteCheck();
  if (state.ConvStop) {
    // A click after a stop (or a refused check) only clears the stop request.
    state.ConvStop = false;
    runStarted();
    // The stopped run's poll goes on: its night is under way again.
    if (Timer2.enabled()) keepAwake(true);
    return;
  }
  Command9.setEnabled(false);
  Command6.setEnabled(true);
  state.ConvStop = false;
  state.SameNameChecked = false;
  runStarted();
  nightStarted();
  m2t_start();
  nightStartSettled();
}

void Form1::FileNameByteCheck() {
  std::string tooLong;
  for (std::size_t row = 1; row <= ListView10.count(); ++row) {
    state.bytecheck = static_cast<std::int16_t>(std::min<std::size_t>(row, 32767));
    if (utf16Bytes(ListView10.item(row).subItem(m2tcol::kBaseName)) > kMaxNameBytes)
      tooLong.append("(").append(std::to_string(row)).append(")");
  }
  if (tooLong.empty()) return;
  msgBox(
      "以下のファイルはロクラクコントローラの使用できるファイル名の上限（62byte）を超えています。"
      "\r\nファイル名を短くして再度登録してください \r\n" +
      tooLong);
  state.ConvStop = true;
}

void Form1::m2t_start() {
  if (state.ConvStop) return;
  int step = 0;
  // Waits, yielding once per examined row, for the controller's dialog with this caption.
  // Returns "" when a stop was requested meanwhile, the controller has gone, or the
  // window was closed (the wait would otherwise go on for ever in a program that has no
  // window any more).
  auto waitForDialog = [this](const char* caption) -> std::string {
    for (;;) {
      if (controllerGone(*this, {&StatusBar1.panel(4)})) {
        stopForVanishedController(*this);
        return {};
      }
      GetTopWindBtn_Click();
      for (std::size_t r = 1;; ++r) {
        if (state.ConvStop || closed) return {};
        ports.clock.doEvents();
        // A handler run by that pass may have enumerated the windows anew.
        if (r > ListView2.count()) break;
        const ListItem& row = ListView2.item(r);
        if (row.subItem(1) == StatusBar1.panel(3) && row.subItem(2) == caption) return row.text;
      }
    }
  };
  try {
    step = 1;
    if (state.ConvRow == 0) {
      for (std::size_t r = 1; r <= ListView10.count(); ++r) {
        const ListItem& row = ListView10.item(r);
        if (row.subItem(m2tcol::kStatus) == kNotWorked && row.checked) {
          state.ConvRow = static_cast<std::int16_t>(r);
          break;
        }
      }
    }
    if (state.ConvRow == 0) {
      Command9.setEnabled(true);
      Command6.setEnabled(false);
      const char* text = "リストがチェックされていません。処理を中止します";
      msgBox(text);
      logAdd(text);
      return;
    }

    step = 2;
    if (Label2.caption() == kNotRegistered) {
      const char* text = "ロクラクコントローラを選択してください";
      msgBox(text);
      logAdd(text);
      state.ConvRow = 0;
      return;
    }
    const auto convRow = [this] { return static_cast<std::size_t>(state.ConvRow); };
    // A row whose output folder cannot be made is not handed to the controller: it fails,
    // is logged and counted, and the run goes on with the next checked row.
    for (;;) {
      const std::string folder = ListView10.item(convRow()).subItem(m2tcol::kMpgParent);
      if (ports.files.makeSurePathExists(folder + "\\") && ports.files.folderExists(folder)) break;
      logAdd("変換先フォルダ「" + folder + "」を作成できませんでした（" +
             std::to_string(state.ConvRow) + "行目：" + conversionFileName(convRow()) + "）");
      ListView10.setSubItem(convRow(), m2tcol::kStatus, "変換に失敗しました");
      nightFailed(conversionFileName(convRow()));
      const std::size_t next = ListView10.nextChecked(convRow());
      if (next == 0) {
        conversionsFinished();
        return;
      }
      state.ConvRow = static_cast<std::int16_t>(next);
    }

    step = 3;
    if (!state.SameNameChecked) {
      std::string existing;
      for (std::size_t r = 1; r <= ListView10.count(); ++r) {
        const ListItem& row = ListView10.item(r);
        if (row.subItem(m2tcol::kStatus) == kNotWorked && row.checked &&
            ports.files.fileExists(mpgPathOf(ListView10, r)))
          existing.append("(").append(std::to_string(r)).append(")");
      }
      if (!existing.empty()) {
        logAdd("保存先に同名ファイルを確認。リスト番号：" + existing);
        const int answer =
            msgBox("次の番号のファイルは保存先に同名ファイルが存在します\r\n" + existing +
                       "\r\n処理を続行しますか？　続行すると上書きされます",
                   platform::mb::kYesNo | platform::mb::kIconQuestion, caption);
        if (answer == platform::mb::kIdNo) {
          state.SameNameChecked = false;
          msgBox("作業がキャンセルされました");
          logAdd("同名ファイル確認時に、キャンセルが押されました ");
          Command6.setEnabled(false);
          Command9.setEnabled(true);
          return;
        }
        logAdd("同名ファイル確認時、「削除して変換」が選択されました");
      }
      state.SameNameChecked = true;
    }

    step = 4;
    if (state.ConvStop) return;
    // The row under way is in the journal before the controller is asked for it.
    journalNight();
    ports.windows.showWindow(parseHandleText(StatusBar1.panel(4)), kSwMinimize);
    const std::string oldOutput = mpgPathOf(ListView10, convRow());
    if (ports.files.fileExists(oldOutput)) {
      ports.files.deleteFile(oldOutput);
      ports.clock.sleep(kOldOutputPauseMs);
    }
    GetTopWindBtn_Click();
    press(*this, rc_dir_btn.text(), kDirPressLimitMs);

    step = 5;
    const std::string dirDialog = waitForDialog("ディレクトリ設定");
    if (dirDialog.empty()) return;

    step = 6;
    ListView4.clear();
    StartUpChildList::EnumChildWindows(*this, parseHandleText(dirDialog), ListView4);

    step = 7;
    ports.windows.setText(parseHandleText(ListView4.item(4).text),
                          ListView10.item(convRow()).subItem(m2tcol::kMpgParent));
    ports.windows.setText(parseHandleText(ListView4.item(8).text), "");
    const std::string okButton = childHandle(ListView4, "Button", "OK");

    step = 8;
    press(*this, okButton, kDirPressLimitMs);

    step = 9;
    if (state.ConvStop) return;
    press(*this, rc_pcdown_btn.text(), kPlayPressLimitMs);

    step = 10;
    const std::string openDialog = waitForDialog("ファイルを開く");
    if (openDialog.empty()) return;

    step = 11;
    ListView4.clear();
    StartUpChildList::EnumChildWindows(*this, parseHandleText(openDialog), ListView4);

    step = 12;
    const std::string edit = childHandle(ListView4, "Edit", nullptr);

    step = 13;
    ports.windows.setText(parseHandleText(edit),
                          ListView10.item(convRow()).subItem(m2tcol::kFullPath));
    const std::string openButton = childHandle(ListView4, "Button", "開く(&O)");

    step = 14;
    press(*this, openButton, kDirPressLimitMs);

    step = 15;
    GetTopWindBtn_Click();

    step = 16;
    const Hwnd slider = parseHandleText(rc_slider.text());
    Slider1.setRange(Slider1.min(), ports.windows.trackbarMax(slider));
    Slider1.setRange(ports.windows.trackbarMin(slider), Slider1.max());
    Slider1.setTickFrequency(static_cast<int>(text_rules::roundHalfEven(Slider1.max() / 10.0)));
    runStarted();
    Timer2.setEnabled(true);
    Label100.setCaption(std::to_string(state.ConvRow) + "を変換開始しました");
    logAdd(Label100.caption());

    step = 17;
  } catch (const RunError& e) {
    stopOnError(*this);
    msgBox(runtimeErrorReport("m2t_start,", e, step));
  }
}

void Form1::Timer2_Timer() {
  if (state.ConvStop) return;
  try {
    if (controllerGone(*this, {&rc_slider.text(), &rc_pcdown_btn.text()})) {
      stopForVanishedController(*this);
      return;
    }
    Slider1.setValue(ports.windows.trackbarPos(parseHandleText(rc_slider.text())));
    const bool idle =
        Slider1.value() == 0 && ports.windows.isEnabled(parseHandleText(rc_pcdown_btn.text()));
    if (!idle) return;
    m2t_SizeCheck();
    if (const std::size_t next = ListView10.nextChecked(static_cast<std::size_t>(state.ConvRow))) {
      state.ConvRow = static_cast<std::int16_t>(next);
      m2t_start();
      return;
    }
    conversionsFinished();
  } catch (const RunError& e) {
    ports.windows.setForeground(ports.mainWindow ? ports.mainWindow() : 0);
    stopOnError(*this);
    msgBox(runtimeErrorReport("time2,", e, 0));
  }
}

void Form1::conversionsFinished() {
  Timer2.setEnabled(false);
  ListView10.setEnabled(true);
  state.SameNameChecked = false;
  state.ConvRow = 0;
  Command6.setEnabled(false);
  Command9.setEnabled(true);
  ports.windows.setForeground(ports.mainWindow ? ports.mainWindow() : 0);
  // The night ends: its outcome is logged before any action.
  logNightSummary();
  Win_Exit_State();
}

void Form1::Command6_Click() {
  state.ConvStop = true;
  Slider1.setValue(Slider1.min());
  publishRunProgress();
  logNightSummary();
  Command9.setEnabled(true);
  Command6.setEnabled(false);
  msgBox(
      "キャンセルボタンが押されました\r\nただし、ロクラクコントローラの作業中ファイルは中止されてい"
      "ません");
}

}  // namespace varnolt
