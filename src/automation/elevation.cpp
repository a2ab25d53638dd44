// A controller that runs as administrator while Varnolt does not: the system drops every
// message Varnolt sends it, so nothing can be done but say so.
#include "app/form1.hpp"

namespace varnolt {

bool Form1::controllerRefuses() {
  Hwnd main = 0;
  try {
    main = parseHandleText(StatusBar1.panel(4));
  } catch (const RunError&) {
    return false;
  }
  if (main == 0 || !ports.windows.isWindow(main) || !ports.windows.refusesMessages(main))
    return false;
  const std::string what =
      "ロクラクコントローラが管理者として実行されているため、Varnolt から操作できません。";
  logAdd(what);
  msgBox(what + "\r\nロクラクコントローラと Varnolt を同じ権限で起動し直してください",
         platform::mb::kOk | platform::mb::kIconExclamation);
  return true;
}

}  // namespace varnolt
