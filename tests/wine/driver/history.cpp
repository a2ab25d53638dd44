// The download history and the conversion list by real keys and clicks against the stand-in
// RokuCtrl.exe: Ctrl+D, Ctrl+N, the recording list's pop-up menu and grey rows; the
// context-menu key on the empty conversion list and its "ファイルを追加..." Open dialog.
#include "groups.hpp"
#include "night.hpp"
#include "xdo.hpp"

#include <commctrl.h>

namespace winetest {

namespace {

// Which of the first five rows are checked, as "1 2 " etc.
std::string checkedRows(HWND list) {
  std::string s;
  for (int r = 0; r < 5; ++r)
    if (listChecked(list, r)) s += std::to_string(r + 1) + " ";
  return s;
}

// Pixels of the row's title cell drawn in `colour`, read from the screen.
int pixelsOf(HWND list, int row, COLORREF colour) {
  RECT cell = remoteRect(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), {LVIR_LABEL, 3, 0, 0});
  ::MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&cell), 2);
  HDC screen = ::GetDC(nullptr);
  int n = 0;
  for (int y = cell.top; y < cell.bottom; ++y)
    for (int x = cell.left; x < cell.right; ++x) n += ::GetPixel(screen, x, y) == colour;
  ::ReleaseDC(nullptr, screen);
  return n;
}

}  // namespace

void historyTests(const Env& env) {
  say("# the download history and the conversion list's add-files item, by real input");
  Xdo xdo;
  const std::wstring folder = prepareNight(env, L"history", 5, 6000, true, false);
  const std::wstring recordings = joinPath(folder, L"録画");
  ::CreateDirectoryW(recordings.c_str(), nullptr);
  writeFile(joinPath(recordings, L"a.m2t"), "a");
  writeFile(joinPath(recordings, L"b.m2t"), "b");
  Varnolt v(folder);
  HWND list = v.main ? startAndRead(v, 5) : nullptr;
  // The sizes are read after the rows; the list takes commands again after that.
  check(list && waitFor([&] { return ::IsWindowEnabled(list) != FALSE; }, 20000),
        "the five recordings are read");
  if (!list) return;
  check(checkRow(list, 1) && checkRow(list, 2), "rows 1 and 2 are checked");
  // No row selected, so that every row is drawn in its own text colour.
  LVITEMW none{};
  none.stateMask = LVIS_SELECTED;
  RemoteMemory lent(list, sizeof none);
  lent.write(0, &none, sizeof none);
  sendTimed(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(lent.at()));
  auto menuOpen = [&] { return findTop(v.pid(), L"#32768", L"") != nullptr; };
  auto rowsBecome = [&](const std::string& rows) {
    return waitFor([&] { return checkedRows(list) == rows; }, 5000);
  };

  check(xdo.bringToFront(v.main), "Varnolt is in front");
  xdo.keys({"ctrl+d"});
  const std::wstring historyFile = joinPath(folder, L"history.ini");
  const std::string want =
      "\xEF\xBB\xBF" + utf8(std::wstring(kRecordings[0].title) + L"\t2026/12/07 21:00\t00:30\r\n" +
                            kRecordings[1].title + L"\t2026/12/07 22:00\t00:30\r\n");
  check(waitFor([&] { return readFile(historyFile) == want && checkedRows(list).empty(); }, 5000),
        "Ctrl+D writes rows 1 and 2 to history.ini and unchecks them",
        hex(readFile(historyFile)) + "; checked: " + checkedRows(list));
  xdo.keys({"ctrl+n"});
  check(rowsBecome("3 4 5 "), "Ctrl+N checks the rows not in the history", checkedRows(list));
  ::RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  ::Sleep(300);
  const COLORREF grey = ::GetSysColor(COLOR_GRAYTEXT), black = ::GetSysColor(COLOR_WINDOWTEXT);
  const int greyOld = pixelsOf(list, 0, grey), blackOld = pixelsOf(list, 0, black);
  const int greyNew = pixelsOf(list, 2, grey), blackNew = pixelsOf(list, 2, black);
  check(greyOld > 0 && blackOld == 0 && greyNew == 0 && blackNew > 0,
        "a row in the history has a grey title, a new row a black one",
        "row 1: " + std::to_string(greyOld) + " grey, " + std::to_string(blackOld) +
            " black; row 3: " + std::to_string(greyNew) + " grey, " + std::to_string(blackNew) +
            " black");

  // "新しい録画をチェック": the pop-up menu's second item, after "mpg保存先変更" and a separator.
  check(!checkRow(list, 4) && checkedRows(list) == "3 5 ", "row 4 is unchecked by hand",
        checkedRows(list));
  const RECT row = listItemRect(list, 3);
  xdo.bringToFront(v.main, row.left + 80, (row.top + row.bottom) / 2);
  xdo.click(row.left + 80, (row.top + row.bottom) / 2, 3);
  waitFor(menuOpen, 5000);
  xdo.keys({"Down", "Down", "Return"});
  check(rowsBecome("3 4 5 "),
        "\"新しい録画をチェック\" on the recording list's pop-up menu checks row 4 again",
        checkedRows(list));

  // The empty conversion list's menu by the context-menu key; its first item opens the dialog.
  v.selectTab(2);
  HWND conversions = conversionList(v);
  if (!conversions) return;
  const RECT area = rectOf(conversions);
  xdo.click(area.left + 200, area.bottom - 20);
  xdo.keys({"Menu"});
  check(waitFor(menuOpen, 5000), "the context-menu key opens the empty conversion list's menu");
  xdo.keys({"Down", "Return"});
  HWND dialog = awaitWindow([&] { return findTop(v.pid(), L"#32770", L"ファイルを追加"); }, 10000);
  check(dialog != nullptr, "\"ファイルを追加...\" opens the Open dialog \"ファイルを追加\"");
  if (!dialog) return;
  xdo.type("\"a.m2t\" \"b.m2t\"");
  xdo.keys({"Return"});
  check(waitFor([&] { return listCount(conversions) == 2; }, 10000) &&
            listText(conversions, 0, 3) == joinPath(recordings, L"a.m2t") &&
            listText(conversions, 1, 3) == joinPath(recordings, L"b.m2t"),
        "the two files chosen in the dialog are added to the conversion list",
        std::to_string(listCount(conversions)) + " rows, " + utf8(listText(conversions, 0, 3)));
  v.quit();
  v.waitExit(10000);
  closeStandIns();
}

}  // namespace winetest
