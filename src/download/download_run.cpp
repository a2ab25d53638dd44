// The download sequencer: every checked recording, one after another, unattended.
#include <cmath>

#include "app/form1.hpp"

namespace varnolt {

namespace {

constexpr int kMinimize = 6;

void downloadingButtons(Form1& f, bool downloading) {
  for (Control* c :
       std::initializer_list<Control*>{&f.Command5, f.RC_SOUSA[0].get(), &f.Command3, &f.Command1})
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
    state.exitFlag = false;
    runStarted();
    if (Check1.value() == 1) {
      ListView10.clear();
      for (std::size_t r = 1; r <= ListView1.count(); ++r)
        if (ListView1.item(r).subItem(8) == kNotSet) ListView1.setSubItem(r, 8, Text4.text());
    }
    dl_start();
  } catch (const VbError& e) {
    // A controller handle that is no number (the controller never found) must not end
    // the program.
    msgBox(runtimeErrorReport("cmd5,", e, 0));
  }
}

void Form1::dl_start() {
  auto& position = state.downloadPosition;
  if (position == 0) {
    for (std::size_t r = 1; r <= ListView1.count(); ++r) {
      if (ListView1.item(r).checked) {
        position = static_cast<std::int16_t>(r);
        break;
      }
    }
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
  ListView1.selectOnly(static_cast<std::size_t>(position));
  os.windows.showWindow(parseHandleText(StatusBar1.panel(4)), kMinimize);
  if (ListView3.count() == 0) return;

  const auto listBox = lastRow(ListView3, "ListBox");
  if (!listBox) {
    msgBox("エラーが発生しました");
    return;
  }
  const std::size_t r = ListView1.selectedRow();
  os.windows.listBoxSetCurSel(*listBox, static_cast<int>(r) - 1);
  constexpr int kUp = 0x26, kDown = 0x28;
  // One step away and back: the controller takes up the entry as its current recording.
  const bool last = r == ListView1.count();
  os.windows.keyDown(*listBox, last ? kUp : kDown);
  os.windows.keyDown(*listBox, last ? kDown : kUp);

  const auto trackbar = firstRow(ListView3, "msctls_trackbar32", "Slider1");
  if (!trackbar) {
    msgBox("エラーが発生しました");
    return;
  }
  const int max = os.windows.trackbarMax(*trackbar);
  const int min = os.windows.trackbarMin(*trackbar);
  Slider1.setRange(min, max);
  // Halves to even, as the runtime rounds.
  Slider1.setTickFrequency(static_cast<int>(std::nearbyint(max / 10.0)));

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
    if (!os.windows.isWindow(receive) || !os.windows.isWindow(slider)) {
      const int row = state.downloadPosition;
      runStoppedOnError();
      Timer1.setEnabled(false);
      ListView1.setEnabled(true);
      state.downloadPosition = 0;
      downloadingButtons(*this, false);
      statusAndLog("ロクラクコントローラが終了したため作業を中止しました（" + std::to_string(row) +
                   "行目）");
      return;
    }
    Slider1.setValue(os.windows.trackbarPos(slider));
    const bool receiveEnabled = os.windows.isEnabled(receive);
    if (Slider1.value() != 0 || !receiveEnabled) return;

    const std::string row = std::to_string(state.downloadPosition);
    const std::string file = state.downloadPath + ".m2t";
    if (state.downloadPosition != 0 && (!state.downloadConfirmed || !os.files.fileExists(file))) {
      // Never report a transfer that did not happen as a download.
      logAdd(row + "のダウンロードに失敗しました（ファイルが見つかりません）");
    } else if (Check1.value() == 1) {
      logAdd(row + "のダウンロードが終了しました");
      m2tlist_Add(file, state.downloadMpgFolder);
      logAdd(row + "をストリーム変換リストに登録しました");
    }

    for (std::size_t r = static_cast<std::size_t>(state.downloadPosition) + 1;
         r <= ListView1.count(); ++r) {
      if (ListView1.item(r).checked) {
        state.downloadPosition = static_cast<std::int16_t>(r);
        dl_start();
        return;
      }
    }

    Timer1.setEnabled(false);
    ListView1.setEnabled(true);
    statusAndLog("全てのダウンロードが終了しました");
    state.downloadPosition = 0;
    downloadingButtons(*this, false);
    if (Check1.value() == 1) {
      logAdd("全てのダウンロードを終了しました。ストリーム変換リストに移行します");
      state.SameNameChecked = true;
      Command9.setEnabled(false);
      Command6.setEnabled(true);
      state.ConvStop = false;
      m2t_start();
      if (Check3.value() == 1) Check2.setValue(1);
    } else {
      Win_Exit_State();
    }
  } catch (const VbError& e) {
    runStoppedOnError();
    msgBox(runtimeErrorReport("time1,", e, 0));
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
  statusAndLog("ダウンロードがキャンセルされました");
  state.downloadPosition = 0;
  msgBox(Label100.caption());
  os.windows.activate(*interrupt);
  os.windows.click(*interrupt, platform::ClickMode::Sent, 0);
  os.windows.setForeground(os.mainWindow ? os.mainWindow() : 0);
  downloadingButtons(*this, false);
}

}  // namespace varnolt
