// End-of-work actions: what runs when a night's downloads or conversions are over.
#include <optional>

#include "app/form1.hpp"

namespace varnolt {

using controls::ListItem;

namespace {

constexpr const char* kAllDone = "全ての作業が終了しました";

// What the work log says just before the action of a choice begins, by EndOfWork (none
// for Nothing, which reports kAllDone instead).
constexpr const char* kStarting[] = {
    "全ての作業が終了したのでサスペンドします",
    "全ての作業が終了したので休止状態にします",
    "全ての作業が終了したのでログオフします",
    "全ての作業が終了したので再起動します",
    "全ての作業が終了したのでシャットダウンします",
    "",
    "全ての作業が終了したので本ソフトを終了します",
    "全ての作業が終了したのでロクラク・コントローラを終了します",
    "全ての作業が終了したので本ソフトとロクラク・コントローラを終了します",
};

constexpr std::uint32_t kErrorNotSupported = 50;
constexpr std::uint32_t kErrorCallNotImplemented = 120;

// The controller's "終了" button among its children as last enumerated.
std::optional<Hwnd> controllerQuitButton(Form1& f) {
  for (std::size_t r = 1; r <= f.ListView3.count(); ++r) {
    const ListItem& row = f.ListView3.item(r);
    if (row.subItem(1) == "Button" && row.subItem(2) == "終了") return parseHandleText(row.text);
  }
  return std::nullopt;
}

// The end of a night that stays open: the Parts' text when everything went well; with
// failures a warning that says how many and where to read about them.
void reportAllDone(Form1& f) {
  const std::size_t failed = f.state.night.failed.size();
  if (failed == 0) {
    f.Label100.setCaption(kAllDone);
    f.finalBox(f.Label100.caption(), platform::mb::kOk);
  } else {
    f.Label100.setCaption("全ての作業が終了しましたが、" + std::to_string(failed) +
                          "件の作業に失敗しました。詳しくはログをご覧ください");
    f.finalBox(f.Label100.caption(), platform::mb::kOk | platform::mb::kIconExclamation);
  }
  f.logAdd(f.Label100.caption());
}

// The line saying which action starts, on disk before the action: whatever the action
// does to Varnolt or the machine, the next morning's log tells it.
void logActionStarting(Form1& f, std::size_t choice, bool status) {
  if (status)
    f.statusAndLog(kStarting[choice]);
  else
    f.logAdd(kStarting[choice]);
  f.saveLogAndSettings();
}

}  // namespace

EndOfWork Form1::endOfWorkChoice() const {
  for (std::size_t i = 0; i < Option1.size(); ++i)
    if (Option1[i].value()) return static_cast<EndOfWork>(i);
  return EndOfWork::None;
}

void Form1::Win_Exit_State() {
  using enum EndOfWork;
  const EndOfWork choice = endOfWorkChoice();
  const auto index = static_cast<std::size_t>(choice);
  state.exitFlag = choice != Nothing;

  switch (choice) {
    case Suspend:
    case Hibernate: {
      logActionStarting(*this, index, true);
      ports.power.enableShutdownPrivilege();
      const platform::PowerResult r = ports.power.setSystemPowerState(choice == Suspend);
      if (r.lastError == kErrorNotSupported || r.lastError == kErrorCallNotImplemented)
        msgBox("システムでサポートされません。",
               platform::mb::kOk | platform::mb::kIconInformation);
      else if (r.lastError != 0)
        msgBox(std::string("(")
                   .append(std::to_string(r.lastError))
                   .append(")関数の呼び出しは失敗しました。"),
               platform::mb::kOk | platform::mb::kIconStop);
      requestClose();
      break;
    }
    case LogOff:
    case Reboot:
    case PowerOff:
      logActionStarting(*this, index, true);
      ports.power.enableShutdownPrivilege();
      // The system and the other programs decide whether the session ends; Varnolt
      // closes either way.
      (void)ports.power.exitWindows(choice == LogOff   ? platform::ExitKind::LogOff
                                    : choice == Reboot ? platform::ExitKind::Reboot
                                                       : platform::ExitKind::PowerOff);
      requestClose();
      break;
    case Nothing:
      reportAllDone(*this);
      break;
    case QuitVarnolt:
      // The close writes log.ini before the window goes.
      logAdd(kStarting[index]);
      requestClose();
      break;
    case QuitController:
    case QuitBoth: {
      const auto button = controllerQuitButton(*this);
      if (!button) {
        msgBox("エラーが発生しました");
        break;
      }
      logActionStarting(*this, index, false);
      ports.windows.activate(*button);
      // Not waited for: the controller quits in its own time.
      (void)ports.windows.click(*button, platform::ClickMode::Posted, 0);
      if (choice == QuitBoth)
        requestClose();
      else
        reportAllDone(*this);
      break;
    }
    case None:
      break;
  }
  // The action is done: from here on a box waits for the user again, unless a second
  // start asked for the next automatic night while the end box was open.
  endUnattended();
  finalBoxClosed();
}

}  // namespace varnolt
