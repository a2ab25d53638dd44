// The receive click and the controller's save dialog: one recording's transfer begins.
#include "automation/window_list.hpp"
#include "download/file_name.hpp"

namespace varnolt {

using controls::ListItem;

namespace {

constexpr const char* kSaveCaption = "名前を付けて保存";
constexpr const char* kSaveButton = "保存(&S)";
constexpr int kReceiveWaitMs = 2000;

}  // namespace

void Form1::Command2_Click() {
  try {
    if (ListView2.count() == 0) return;
    const Hwnd receive = parseHandleText(rc_zyusin_btn.text());
    ports.windows.activate(receive);
    // Not waited for: the save dialog looked for next tells what came of it.
    (void)ports.windows.click(receive, platform::ClickMode::Posted, 0);
    // The controller opens its dialog meanwhile; nothing of ours runs.
    ports.clock.sleep(kReceiveWaitMs);
    GetTopWindBtn_Click();
    Command4_Click();
  } catch (const RunError& e) {
    msgBox(runtimeErrorReport("cmd2,", e, 0));
  }
}

void Form1::Command4_Click() {
  try {
    state.downloadPath.clear();
    state.downloadConfirmed = false;
    // The folder was made when the run started; one gone since that cannot be made again
    // leaves no file, which the run logs as a failed download.
    (void)ports.files.makeSurePathExists(Text4.text() + "\\");

    const ListItem& row = ListView1.item(static_cast<std::size_t>(state.downloadPosition));
    const std::string mpgFolder = row.subItem(8);
    std::string name = fileNameOfTitle(text_rules::trimSpaces(row.subItem(3)));
    if (text_rules::trimSpaces(name).empty()) name = nameOfUntitled(row.subItem(4));
    // A download that is converted afterwards also needs its .mpg name free and within
    // the path limit: an older recording of the same series is never overwritten.
    std::vector<NamePlace> places{{Text4.text(), ".m2t"}};
    if (Check1.value() == 1 && !mpgFolder.empty() && mpgFolder != kNotSet)
      places.push_back({mpgFolder, ".mpg"});
    const std::string free = freeFittingName(
        name, "", places, [this](std::string_view t) { return ports.codec.toAnsi(t).size(); },
        [this](const std::string& path) { return ports.files.fileExists(path); });
    state.downloadPath = Text4.text() + "\\" + free;
    state.downloadMpgFolder = mpgFolder;

    std::optional<Hwnd> dialog;
    for (std::size_t r = 1; r <= ListView2.count() && !dialog; ++r) {
      const ListItem& w = ListView2.item(r);
      if (w.subItem(1) == StatusBar1.panel(3) && w.subItem(2) == kSaveCaption)
        dialog = parseHandleText(w.text);
    }
    if (!dialog) {
      msgBox("エラーが発生しました");
      return;
    }
    ListView4.clear();
    StartUpChildList::EnumChildWindows(*this, *dialog, ListView4);
    std::optional<Hwnd> edit, save;
    for (std::size_t r = 1; r <= ListView4.count(); ++r) {
      const ListItem& w = ListView4.item(r);
      if (w.subItem(1) == "Edit") edit = parseHandleText(w.text);
    }
    if (!edit) {
      msgBox("エラーが発生しました");
      return;
    }
    ports.windows.setText(*edit, state.downloadPath);
    for (std::size_t r = 1; r <= ListView4.count(); ++r) {
      const ListItem& w = ListView4.item(r);
      if (w.subItem(1) == "Button" && w.subItem(2) == kSaveButton) save = parseHandleText(w.text);
    }
    if (!save) {
      msgBox("エラーが発生しました");
      return;
    }
    // In the journal before the controller is asked: whatever stops Varnolt from here on,
    // the next start knows which file may be partial.
    if (state.night.active) {
      state.night.downloads[static_cast<std::size_t>(state.downloadPosition)] =
          NightTally::Outcome::Saving;
      journalNight();
    }
    ports.windows.activate(*save);
    // The download is judged by its file when the controller is done.
    (void)ports.windows.click(*save, platform::ClickMode::Sent, 0);
    state.downloadConfirmed = true;
    ports.windows.setForeground(ports.mainWindow ? ports.mainWindow() : 0);
    ListView1.setEnabled(false);
    Timer1.setEnabled(true);
    statusAndLog(std::to_string(state.downloadPosition) + "をダウンロード開始");
  } catch (const RunError& e) {
    msgBox(runtimeErrorReport("cmd4,", e, 0));
  }
}

}  // namespace varnolt
