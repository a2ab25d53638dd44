// Continuing a night that was cut: the journal's plan is put back into the window and
// the night goes on where it stopped.
#include "app/journal.hpp"
#include "convert/conversion_list.hpp"

namespace varnolt {

using controls::ListItem;
using controls::TextBox;

namespace {

using Outcome = NightTally::Outcome;

// The controller is still busy with a transfer or conversion (only Varnolt was ended).
bool controllerBusy(Form1& f, const TextBox& button) {
  try {
    return f.ports.windows.trackbarPos(parseHandleText(f.rc_slider.text())) != 0 ||
           !f.ports.windows.isEnabled(parseHandleText(button.text()));
  } catch (const RunError&) {
    return false;
  }
}

// Puts the journal's recordings back onto the list just read, by identity; returns the
// row of the interrupted transfer (0 when none).
std::size_t restoreRecordings(Form1& f, const NightJournal& j) {
  std::size_t saving = 0;
  std::vector<bool> used(f.ListView1.count() + 1, false);
  for (const auto& rec : j.recordings) {
    std::size_t found = 0;
    for (std::size_t r = 1; r <= f.ListView1.count() && !found; ++r) {
      const ListItem& item = f.ListView1.item(r);
      if (!used[r] && item.subItem(3) == rec.title && item.subItem(4) == rec.recorded &&
          item.subItem(5) == rec.length)
        found = r;
    }
    const bool left = rec.outcome == Outcome::Todo || rec.outcome == Outcome::Saving;
    if (!found) {
      if (left)
        f.logAdd("再開：録画「" + text_rules::trimSpaces(rec.title) + "」（" + rec.recorded +
                 "）がロクラクに見つからないため、ダウンロードしません");
      continue;
    }
    used[found] = true;
    f.ListView1.setSubItem(found, 8, rec.mpgFolder);
    f.state.night.downloads[found] = rec.outcome;
    if (left) f.ListView1.setChecked(found, true);
    if (rec.outcome == Outcome::Saving) {
      saving = found;
      f.state.downloadPath = rec.savedTo;
      f.state.downloadMpgFolder = rec.mpgFolder;
    }
  }
  return saving;
}

}  // namespace

bool Form1::resumeJournalIfAny(bool ask) {
  const std::string path = appFile(*this, kJournalFile);
  if (!ports.files.fileExists(path)) return false;
  std::optional<NightJournal> journal;
  try {
    journal = parseJournal(ports.codec.fromAnsi(ports.files.readAll(path)));
  } catch (const RunError&) {
  }
  auto remove = [&] {
    try {
      ports.files.deleteFile(path);
    } catch (const RunError& e) {
      logAdd("作業の記録を削除できませんでした：" + path + "（" + e.what() + "）");
    }
  };
  if (!journal) {
    logAdd("中断された作業の記録が読めないため削除しました：" + path);
    remove();
    return false;
  }
  const NightJournal& j = *journal;
  if (!ask) {
    // The automatic night: nobody is there to answer, and the night left is what was asked for.
    statusAndLog("中断された作業を、自動実行のため確認せずに再開します");
  } else {
    const int answer = msgBox(
        "前回の作業が終わらないまま Varnolt が終了しました。\r\n残りは録画の"
        "ダウンロード " +
            std::to_string(j.recordingsLeft()) + "件、ストリーム変換 " +
            std::to_string(j.conversionsLeft()) + "件です。\r\n続きを行いますか？",
        platform::mb::kYesNo | platform::mb::kIconQuestion);
    if (answer != platform::mb::kIdYes) {
      logAdd("中断された作業を再開しませんでした");
      remove();
      return false;
    }
    statusAndLog("中断された作業を再開します");
  }
  try {
    resumeNight(j);
  } catch (const RunError& e) {
    msgBox(runtimeErrorReport("resume,", e, 0));
  }
  return true;
}

void Form1::resumeNight(const NightJournal& j) {
  // The night's choices, where the user sees them.
  Check1.setValue(j.check1);
  Check2.setValue(j.check2);
  for (std::size_t i = 0; i < Option1.size(); ++i)
    Option1[i].setValue(static_cast<std::size_t>(j.endOfWork) == i);

  // The controller as "ﾛｸﾗｸｺﾝﾄﾛｰﾗ起動" finds or starts it, then its list.
  Command3_Click();
  if (!Command1.enabled()) {
    logAdd("ロクラクコントローラを操作できないため、作業を再開できませんでした");
    return;
  }
  Command1_Click();
  if (ListView1.count() == 0) {
    logAdd("録画リストを取得できないため、作業を再開できませんでした");
    return;
  }

  state.exitFlag = false;
  // The night starts again as nightStarted starts one, but the journal on disk stays as it
  // is until the whole plan is back in the window: a cut before that resumes it again.
  state.night = {};
  keepAwake(true);
  NightTally& n = state.night;
  n.downloaded = j.downloaded;
  n.converted = j.converted;
  n.failed = j.failed;
  const std::size_t saving = restoreRecordings(*this, j);

  ListView10.clear();
  std::size_t current = 0;
  for (const auto& c : j.conversions) {
    m2tlist_Add(c.m2tPath, c.mpgFolder);
    const std::size_t row = ListView10.count();
    ListView10.setSubItem(row, m2tcol::kStatus, c.status);
    if (c.current && c.status == kNotWorked) current = row;
  }
  // Adding a row checks every row of the list: the check marks are put back once all are in.
  for (std::size_t row = 1; row <= j.conversions.size() && row <= ListView10.count(); ++row)
    ListView10.setChecked(row, j.conversions[row - 1].checked);
  n.active = true;
  journalNight();
  runStarted();

  if (saving != 0) {
    state.downloadPosition = static_cast<std::int16_t>(saving);
    state.downloadConfirmed = true;
    if (controllerBusy(*this, rc_zyusin_btn)) {
      logAdd("中断されたダウンロードの終了を待ちます（" + std::to_string(saving) + "行目）");
      awaitTransfer();
      return;
    }
    // Nothing transfers it any more: what was written is a piece, and it is fetched again.
    markPartialDownload();
    n.downloads[saving] = Outcome::Todo;
    dl_start();
    nightStartSettled();
    return;
  }
  if (ListView1.nextChecked(0) != 0) {
    state.downloadPosition = 0;
    dl_start();
    nightStartSettled();
    return;
  }
  bool toConvert = false;
  for (std::size_t r = 1; r <= ListView10.count() && !toConvert; ++r)
    toConvert =
        ListView10.item(r).checked && ListView10.item(r).subItem(m2tcol::kStatus) == kNotWorked;
  if (toConvert) {
    // The same-name question was answered when the night began.
    state.SameNameChecked = true;
    state.ConvStop = false;
    Command9.setEnabled(false);
    Command6.setEnabled(true);
    state.ConvRow = static_cast<std::int16_t>(current);
    if (current != 0 && controllerBusy(*this, rc_pcdown_btn)) {
      logAdd("中断されたストリーム変換の終了を待ちます（" + std::to_string(current) + "行目）");
      const Hwnd slider = parseHandleText(rc_slider.text());
      Slider1.setRange(ports.windows.trackbarMin(slider), ports.windows.trackbarMax(slider));
      Timer2.setEnabled(true);
      return;
    }
    m2t_start();
    nightStartSettled();
    return;
  }
  logNightSummary();
  Win_Exit_State();
}

}  // namespace varnolt
