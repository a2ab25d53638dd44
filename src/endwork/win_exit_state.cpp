// End-of-work actions: what runs when a night's downloads or conversions are over.
#include <optional>

#include "app/form1.hpp"

namespace varnolt {

namespace {

constexpr const char* kAllDone = "全ての作業が終了しました";

// What the work log says just before the machine leaves the user's hands, by choice.
constexpr const char* kStarting[] = {
    "全ての作業が終了したのでサスペンドします",     "全ての作業が終了したので休止状態にします",
    "全ての作業が終了したのでログオフします",       "全ての作業が終了したので再起動します",
    "全ての作業が終了したのでシャットダウンします",
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

}  // namespace

void Form1::Win_Exit_State() {
  int choice = static_cast<int>(Option1.size());
  for (std::size_t i = 0; i < Option1.size(); ++i) {
    if (Option1[i].value()) {
      choice = static_cast<int>(i);
      break;
    }
  }
  state.exitFlag = choice != 5;

  if (choice >= 0 && choice <= 4) {
    // The night's log reaches the disk before the machine goes down.
    statusAndLog(kStarting[choice]);
    saveLogAndSettings();
    os.power.enableShutdownPrivilege();
  }
  switch (choice) {
    case 0:
    case 1: {
      const platform::PowerResult r = os.power.setSystemPowerState(choice == 0);
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
    case 2:
    case 3:
    case 4: {
      static constexpr platform::ExitKind kinds[] = {
          platform::ExitKind::LogOff, platform::ExitKind::Reboot, platform::ExitKind::PowerOff};
      os.power.exitWindows(kinds[choice - 2]);
      requestClose();
      break;
    }
    case 5:
      Label100.setCaption(kAllDone);
      msgBox(Label100.caption());
      logAdd(Label100.caption());
      break;
    case 6:
      requestClose();
      break;
    case 7:
    case 8: {
      const auto button = controllerQuitButton(*this);
      if (!button) {
        msgBox("エラーが発生しました");
        break;
      }
      os.windows.activate(*button);
      os.windows.click(*button, platform::ClickMode::Posted, 0);
      if (choice == 8) {
        requestClose();
        break;
      }
      Label100.setCaption(kAllDone);
      msgBox(Label100.caption());
      logAdd(Label100.caption());
      break;
    }
    default:
      break;
  }
}

}  // namespace varnolt
