// The nightly task: the settings tab's "毎晩の自動実行" registers, updates and removes a
// daily task in the Task Scheduler that starts this Varnolt.exe with /auto. What the
// group shows is read back from the Task Scheduler at start-up, never from default.ini.
#include <cstdio>

#include "app/form1.hpp"
#include "app/single_instance.hpp"

namespace varnolt {

namespace {

constexpr const char* kTaskName = "Varnolt 自動ダウンロード";
constexpr const char* kTaskArguments = "/auto";

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string twoDigits(int n) {
  char b[4];
  std::snprintf(b, sizeof b, "%02d", n);
  return b;
}

// A whole number from 0 to `max` written with one or two digits; -1 otherwise.
int timeField(const std::string& text, int max) {
  if (text.empty() || text.size() > 2) return -1;
  int n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    n = n * 10 + (c - '0');
  }
  return n <= max ? n : -1;
}

}  // namespace

std::string Form1::nightlyProgram() const {
  return ports.appPath + "\\Varnolt.exe";
}

void Form1::showNightlyTask(bool on, std::string line) {
  nightlyTaskQuiet_ = true;
  Check5.setValue(on ? 1 : 0);
  nightlyTaskQuiet_ = false;
  Label10.setCaption(std::move(line));
}

void Form1::nightlyTaskLoad() {
  if (!ports.tasks) {
    Frame13.setEnabled(false);
    return;
  }
  platform::TaskError error;
  const platform::ScheduledTask task = ports.tasks->query(kTaskName, error);
  if (!error.empty()) {
    showNightlyTask(false, "タスクスケジューラから読めませんでした：" + error);
    return;
  }
  if (!task.found) {
    showNightlyTask(false, "");
    return;
  }
  if (task.hour >= 0) {
    Auto_H.setText(twoDigits(task.hour));
    Auto_M.setText(twoDigits(task.minute));
  }
  if (lower(task.program) != lower(nightlyProgram()) ||
      !isAutoCommandLine(text_rules::split(task.arguments, " "))) {
    showNightlyTask(
        false, "このタスクは別のプログラムを起動します：" + task.program + " " + task.arguments);
    return;
  }
  showNightlyTask(true, "毎日 " + Auto_H.text() + ":" + Auto_M.text() + " に自動実行します");
}

bool Form1::nightlyTaskRegister() {
  const int hour = timeField(Auto_H.text(), 23), minute = timeField(Auto_M.text(), 59);
  if (hour < 0 || minute < 0) {
    msgBox("毎晩の自動実行の時刻を、時は 0～23、分は 0～59 の数字で入力してください",
           platform::mb::kOk | platform::mb::kIconExclamation);
    showNightlyTask(false, "");
    return false;
  }
  const platform::TaskError error =
      ports.tasks->registerDaily(kTaskName, hour, minute, nightlyProgram(), kTaskArguments);
  if (!error.empty()) {
    msgBox("毎晩の自動実行をタスクスケジューラに登録できませんでした。\r\n" + error,
           platform::mb::kOk | platform::mb::kIconExclamation);
    showNightlyTask(false, "登録できませんでした：" + error);
    return false;
  }
  Auto_H.setText(twoDigits(hour));
  Auto_M.setText(twoDigits(minute));
  const std::string time = Auto_H.text() + ":" + Auto_M.text();
  logAdd("毎晩の自動実行を登録しました（毎日 " + time + "）");
  showNightlyTask(true, "毎日 " + time + " に自動実行します");
  return true;
}

void Form1::nightlyTaskLoadPending() {
  if (!TimerTask.enabled()) return;
  TimerTask.setEnabled(false);
  nightlyTaskLoad();
}

void Form1::Check5_Click() {
  if (nightlyTaskQuiet_ || !ports.tasks) return;
  if (TimerTask.enabled()) {
    // Clicked before the start-up read: read what the scheduler holds, keep the click.
    const int wanted = Check5.value();
    nightlyTaskLoadPending();
    nightlyTaskQuiet_ = true;
    Check5.setValue(wanted);
    nightlyTaskQuiet_ = false;
  }
  if (Check5.value() == 1) {
    nightlyTaskRegister();
    return;
  }
  const platform::TaskError error = ports.tasks->remove(kTaskName);
  if (!error.empty()) {
    msgBox("毎晩の自動実行をタスクスケジューラから削除できませんでした。\r\n" + error,
           platform::mb::kOk | platform::mb::kIconExclamation);
    // What the Task Scheduler now holds is what the group shows.
    nightlyTaskLoad();
    return;
  }
  logAdd("毎晩の自動実行を解除しました");
  showNightlyTask(false, "");
}

void Form1::Command16_Click() {
  nightlyTaskLoadPending();
  if (ports.tasks && Check5.value() == 1) nightlyTaskRegister();
}

}  // namespace varnolt
