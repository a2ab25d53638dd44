// The recording list against the stand-in RokuCtrl.exe: the controller's list box under the
// messages Varnolt sends it, then Varnolt's list read with Japanese titles and sizes, checked
// by mouse, sorted by a header click and opened as a pop-up menu.
#include "groups.hpp"
#include "xdo.hpp"

#include <commctrl.h>

namespace winetest {

namespace {

// "タイトル : X" of the details text: X, "" when there is none, "-" when unchanged.
std::wstring shownTitle(const std::wstring& details) {
  if (details == L"-") return details;
  const std::wstring key = L"タイトル : ";
  const auto at = details.find(key);
  if (at == std::wstring::npos) return L"";
  return details.substr(at + key.size(), details.find(L"\r\n", at) - at - key.size());
}

// Each step "ACTION -> OUTCOME" is a check name; shows "-": the controller was not told.
void listBoxSequence(const Env& env, const std::string& name, int entries,
                     const std::vector<std::string>& steps) {
  closeStandIns();
  std::string config = "startup 0\r\n";
  for (int k = 1; k <= entries; ++k)
    config += "recording " + std::to_string(k) + "||番組" + std::to_string(k) +
              "|2026/12/01 21:00|00:30|HD " + std::to_string(k) + " MB\r\n";
  const std::wstring exe = installStandIn(joinPath(env.work, L"listbox"), env.rokuCtrl, config);
  DWORD pid = 0;
  const Handle process = startProcess(exe, {}, {}, &pid);
  // The details text: the main window's one Static besides its "録画リスト" label.
  HWND list = nullptr, details = nullptr;
  waitFor(
      [&] {
        HWND main = findTop(pid, kStandInClass, kStandInTitle);
        list = main ? findChild(main, L"ListBox", L"") : nullptr;
        for (HWND h : list ? children(main) : std::vector<HWND>())
          if (classOf(h) == L"Static" && textOf(h) != L"録画リスト") details = h;
        return list && details;
      },
      20000);
  check(list && details, "the stand-in is up for " + name);
  if (!list || !details) return;
  const int sel0 = static_cast<int>(sendTimed(list, LB_GETCURSEL));
  const int caret0 = static_cast<int>(sendTimed(list, LB_GETCARETINDEX));
  check(sel0 == (entries ? 0 : -1) && caret0 == 0,
        name + ": the controller starts on its first entry",
        "sel " + std::to_string(sel0) + ", caret " + std::to_string(caret0));
  for (const std::string& step : steps) {
    const std::string what = step.substr(0, step.find(" -> "));
    ::SendMessageW(details, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"-"));
    const auto answer =
        what.rfind("setcursel", 0) == 0
            ? sendTimed(list, LB_SETCURSEL, static_cast<WPARAM>(std::stoi(what.substr(10))))
            : sendTimed(list, WM_KEYDOWN, what.rfind("up", 0) == 0 ? VK_UP : VK_DOWN);
    const std::string got = "answer " + std::to_string(answer) + ", sel " +
                            std::to_string(sendTimed(list, LB_GETCURSEL)) + ", caret " +
                            std::to_string(sendTimed(list, LB_GETCARETINDEX)) + ", shows \"" +
                            utf8(shownTitle(textOf(details))) + "\"";
    check(step.substr(what.size() + 4) == got, name + ": " + step, got);
  }
}

// Kept in step with the simulated list box's table in tests/unit/sim_test.cpp.
void listBoxSequences(const Env& env) {
  say("# the controller's list box: selection, caret and answers");
  listBoxSequence(env, "one entry", 1,
                  {"setcursel 1 -> answer -1, sel 0, caret 0, shows \"-\"",
                   "up -> answer 0, sel 0, caret 0, shows \"番組1\"",
                   "down -> answer 0, sel 0, caret 0, shows \"番組1\""});
  listBoxSequence(env, "three entries", 3,
                  {"setcursel 1 -> answer 1, sel 1, caret 1, shows \"-\"",
                   "up -> answer 0, sel 0, caret 0, shows \"番組1\"",
                   "up at the top -> answer 0, sel 0, caret 0, shows \"番組1\"",
                   "down -> answer 0, sel 1, caret 1, shows \"番組2\"",
                   "down -> answer 0, sel 2, caret 2, shows \"番組3\"",
                   "down at the end -> answer 0, sel 2, caret 2, shows \"番組3\"",
                   "setcursel 3 (out of range) -> answer -1, sel 2, caret 2, shows \"-\"",
                   "setcursel -1 -> answer -1, sel -1, caret 2, shows \"-\"",
                   "up with no selection -> answer 0, sel 2, caret 2, shows \"番組3\"",
                   "setcursel -1 -> answer -1, sel -1, caret 2, shows \"-\"",
                   "down with no selection -> answer 0, sel 2, caret 2, shows \"番組3\"",
                   "setcursel 0 -> answer 0, sel 0, caret 0, shows \"-\"",
                   "down -> answer 0, sel 1, caret 1, shows \"番組2\""});
  listBoxSequence(env, "no entries", 0,
                  {"setcursel 1 -> answer -1, sel -1, caret 0, shows \"-\"",
                   "up -> answer 0, sel -1, caret 0, shows \"-\"",
                   "down -> answer 0, sel -1, caret 0, shows \"-\""});
  closeStandIns();
}

// ---------------------------------------------------------------- the list read

// A recording line of the stand-in's configuration and what columns 1 to 7 must show.
const std::pair<std::string, std::wstring> kEntries[] = {
    {"recording 1||ニュース７|2026/12/01 19:00|00:30|HD 850.5 MB",
     L"1||ニュース７|2026/12/01 19:00|00:30|HD|850.5"},
    {"recording 2|L|映画Ⅱ　特別編|2026/12/02 21:00|02:00|HD 1.23 GB",
     L"2|L|映画Ⅱ　特別編|2026/12/02 21:00|02:00|HD|1230"},
    {"recording 3||ｱﾆﾒ･ｶﾞﾝﾀﾞﾑⅡ ﾃﾞｨﾚｸﾀｰｽﾞｶｯﾄ|2026/12/03 21:00|00:30|SD\r\n"
     "details タイトル : ｱﾆﾒ\\r\\nFileSize :700MB\\r\\nビットレート : SD",
     L"3||ｱﾆﾒ･ｶﾞﾝﾀﾞﾑⅡ ﾃﾞｨﾚｸﾀｰｽﾞｶｯﾄ|2026/12/03 21:00|00:30|SD|700"},
    {"recording 4||①～⑳ 〜 ｶﾅ漢字|2026/12/04 23:45|01:15|HD 2 GB",
     L"4||①～⑳ 〜 ｶﾅ漢字|2026/12/04 23:45|01:15|HD|2000"},
};

// ListView1: the only list with nine columns.
HWND recordingList(const Varnolt& v) {
  for (HWND h : children(v.main))
    if (classOf(h) == L"SysListView32" &&
        sendTimed(reinterpret_cast<HWND>(sendTimed(h, LVM_GETHEADER)), HDM_GETITEMCOUNT) == 9)
      return h;
  return nullptr;
}

void listRead(const Env& env) {
  say("# the list read: Japanese titles, sizes on");
  Xdo xdo;
  std::string config = "startup 0\r\n";
  for (const auto& [line, shown] : kEntries) config += line + "\r\n";
  const std::wstring standIn =
      installStandIn(joinPath(env.work, L"一覧ロクラク"), env.rokuCtrl, config);
  const std::wstring downloads = joinPath(env.work, L"録画");
  ::CreateDirectoryW(downloads.c_str(), nullptr);
  Varnolt v(installVarnolt(env, L"一覧試験", designSettings(standIn, downloads)));
  if (!v.opened("Varnolt opens")) return;
  HWND start = v.child(L"Button", kStartButton);
  HWND read = v.child(L"Button", kListButton);
  HWND list = recordingList(v);
  check(start && read && list, "the download tab has its buttons and ListView1");
  if (!start || !read || !list) return;
  ::PostMessageW(start, BM_CLICK, 0, 0);
  check(waitFor([&] { return ::IsWindowEnabled(read) != 0; }, 30000),
        "the controller is started and mapped");
  DWORD_PTR ignored = 0;
  check(::SendMessageTimeoutW(read, BM_CLICK, 0, 0, SMTO_NORMAL, 120000, &ignored) != 0,
        "リスト取得 returns");
  const int rows = listCount(list);
  check(rows == static_cast<int>(std::size(kEntries)), "ListView1 has one row per entry",
        std::to_string(rows) + " rows");
  for (int r = 0; r < rows && r < static_cast<int>(std::size(kEntries)); ++r) {
    std::wstring got;
    for (int k = 0; k <= 8; ++k) got += listText(list, r, k) + L"|";
    const std::wstring want = L"|" + kEntries[r].second + L"|" + downloads + L"|";
    check(got == want, "row " + std::to_string(r + 1) + " reads " + utf8(want), utf8(got));
    check(listCheckImage(list, r) == 1, "row " + std::to_string(r + 1) + " is unchecked");
  }
  check(v.child(L"Static", L"リスト取得") != nullptr, "the status line shows \"リスト取得\"");

  // Varnolt in front where the pointer clicks: the controller activates itself on sorting.
  const RECT row = listItemRect(list, 0);
  const int middle = (row.top + row.bottom) / 2;
  const bool boxInFront = xdo.bringToFront(v.main, row.left + 8, middle);
  xdo.click(row.left + 8, middle);
  check(waitFor([&] { return listChecked(list, 0); }, 5000),
        "a click on the first row's box checks it", boxInFront ? "" : "Varnolt not in front");
  HWND total = awaitWindow(
      [&] {
        for (HWND h : children(v.main))
          if (classOf(h) == L"Static" && textOf(h).rfind(L"チェックした総サイズ：850.5MB", 0) == 0)
            return h;
        return HWND{};
      },
      3000);
  check(total != nullptr, "Label6 shows the checked total of 850.5 MB");

  // The controller sorts by title; the list, disabled meanwhile, is read again.
  HWND header = reinterpret_cast<HWND>(sendTimed(list, LVM_GETHEADER));
  RECT title = remoteRect(header, HDM_GETITEMRECT, 3);
  ::MapWindowPoints(header, nullptr, reinterpret_cast<POINT*>(&title), 2);
  xdo.click(title);
  check(
      waitFor([&] { return ::IsWindowEnabled(list) && listText(list, 0, 3) == L"①～⑳ 〜 ｶﾅ漢字"; },
              20000),
      "a click on the タイトル header re-reads the list in the controller's new order",
      utf8(listText(list, 0, 3)));
  check(
      listText(list, 1, 3) == L"ニュース７" && listChecked(list, 1) && listCheckImage(list, 0) == 1,
      "the check mark stays with \"ニュース７\", now on row 2");
  check(listText(list, 1, 7) == L"850.5", "the sizes are read again in the new order",
        utf8(listText(list, 1, 7)));

  // A right click on the list opens the download menu as a pop-up; Escape closes it.
  const bool menuInFront = xdo.bringToFront(v.main, row.left + 60, middle);
  xdo.click(row.left + 60, middle, 3);
  HWND menu = awaitWindow([&] { return findTop(v.pid(), L"#32768", L""); }, 10000);
  check(menu != nullptr, "a right click on the list opens its pop-up menu",
        menuInFront ? "" : "Varnolt not in front");
  if (menu) {
    xdo.keys({"Escape"});
    check(waitFor([&] { return !findTop(v.pid(), L"#32768", L""); }, 5000),
          "Escape closes the pop-up menu");
  }
  closeStandIns();
}

}  // namespace

void recordingListTests(const Env& env) {
  ::CreateDirectoryW(env.work.c_str(), nullptr);
  listBoxSequences(env);
  listRead(env);
}

}  // namespace winetest
