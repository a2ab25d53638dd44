// The nightly task in the real window with Wine's own Task Scheduler: the time typed and
// the check box clicked with the mouse. Wine's scheduler answers E_NOTIMPL to the
// interactive logon type, so the registration is refused: the box says so with its error,
// and the check box and the state line show the task off. The calls a registration makes
// are checked against a recording stand-in of ITaskService (tests/wine/taskfake).
#include "support.hpp"
#include "xdo.hpp"

namespace vt {

namespace {

bool ticked(HWND h) {
  return sendTimed(h, BM_GETCHECK) == BST_CHECKED;
}

// The click's centre in screen coordinates.
bool clickOn(Xdo& xdo, HWND h) {
  const RECT r = rectOf(h);
  return xdo.click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

}  // namespace

void nightlyTaskTests(const std::wstring& varnoltExe, const std::wstring& work) {
  say("# the nightly task: the time typed and the check box clicked, Wine's scheduler refusing");
  const std::wstring folder = joinPath(work, L"毎晩 の タスク");
  ::CreateDirectoryW(work.c_str(), nullptr);
  ::CreateDirectoryW(folder.c_str(), nullptr);
  ::CopyFileW(varnoltExe.c_str(), joinPath(folder, L"Varnolt.exe").c_str(), FALSE);
  writeFile(joinPath(folder, L"default.ini"), cp932(designSettings()));
  Xdo xdo;
  Varnolt v(joinPath(folder, L"Varnolt.exe"), folder);
  check(v.main != nullptr && xdo.available(), "Varnolt starts, xdotool answers");
  if (!v.main || !xdo.available()) return;
  v.selectTab(4);
  HWND box5 = v.child(L"Button", L"毎日この時刻に自動でダウンロードする");
  HWND hour = v.child(L"Edit", L"03");
  check(box5 && hour && !ticked(box5),
        "the group shows the task off at start-up (none in the scheduler) at 03");
  if (!box5 || !hour) return;

  clickOn(xdo, hour);
  xdo.keys({"ctrl+a"});
  xdo.type("22");
  check(waitFor([&] { return textOf(hour) == L"22"; }, 5000), "the hour typed shows 22",
        utf8(textOf(hour)));

  clickOn(xdo, box5);
  HWND refusal = v.messageBox(10000);
  const std::wstring message = refusal ? boxMessage(refusal) : L"";
  check(message.find(L"毎晩の自動実行をタスクスケジューラに登録できませんでした。") == 0 &&
            message.find(L"0x80004001") != std::wstring::npos,
        "the refusal is told in a box with its error", utf8(message));
  if (refusal) answer(refusal, IDOK);
  const bool off = waitFor([&] { return !ticked(box5); }, 5000);
  HWND state = nullptr;
  for (HWND c : children(v.main))
    if (textOf(c).find(L"登録できませんでした：0x80004001") == 0) state = c;
  check(off && state, "the check box stays off and the state line names the error",
        state ? utf8(textOf(state)) : "no state line");
}

}  // namespace vt
