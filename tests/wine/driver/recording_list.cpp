// The recording list against the stand-in RokuCtrl.exe. First the controller's list box
// itself: the message sequences Varnolt sends it (LB_SETCURSEL and arrow keys at both
// ends, out of range, on one entry and on none), with the selection, the caret, the
// answers and whether the controller took the selection; the simulated list box is held
// to the same table. Then Varnolt's list read with Japanese titles and sizes, row by row
// against the stand-in's configuration.
#include "groups.hpp"
#include "xdo.hpp"

#include <commctrl.h>

#include <cstdint>

namespace winetest {

namespace {

// Written into the details text before each step: still there afterwards means the
// controller was not told of a selection change.
const std::wstring kUntouched = L"-";

// A stand-in started with its own configuration; every stand-in is closed on destruction.
class StandIn {
 public:
  StandIn(const std::wstring& exe, const std::wstring& folder, const std::string& config) {
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring ini = joinPath(folder, L"probe.ini");
    const std::wstring report = joinPath(folder, L"probe.report");
    ::DeleteFileW(report.c_str());
    writeFile(ini, "startup 0\r\n" + config);
    DWORD pid = 0;
    process_ =
        startProcess(exe, L"--config \"" + ini + L"\" --report \"" + report + L"\"", {}, &pid);
    waitFor(
        [&] {
          main = findTop(pid, kStandInClass, kStandInTitle);
          return main && exists(report);
        },
        20000);
    if (!main) return;
    list = findChild(main, L"ListBox", L"");
    for (HWND h : children(main))
      if (classOf(h) == L"Static" && textOf(h).find(L"FileSize :") != std::wstring::npos)
        details = h;
    if (!details)
      for (HWND h : children(main))
        if (classOf(h) == L"Static" && textOf(h) != L"録画リスト") details = h;
  }
  ~StandIn() { closeStandIns(); }
  StandIn(const StandIn&) = delete;
  StandIn& operator=(const StandIn&) = delete;

  HWND main = nullptr, list = nullptr, details = nullptr;

 private:
  Handle process_;
};

struct Step {
  const char* what;
  UINT msg;  // LB_SETCURSEL or WM_KEYDOWN
  int arg;   // index or virtual key
  int answer;
  int sel, caret;
  const wchar_t* shown;  // title the controller then shows; kUntouched: not told
};

struct Sequence {
  const char* name;
  int entries;
  std::vector<Step> steps;
};

// Keep in step with the table of the simulated list box's test (tests/unit/sim_test.cpp).
std::vector<Sequence> sequences() {
  const UINT S = LB_SETCURSEL, K = WM_KEYDOWN;
  const int up = VK_UP, down = VK_DOWN;
  return {
      {"one entry",
       1,
       {{"setcursel 1", S, 1, LB_ERR, 0, 0, L"-"},
        {"up", K, up, 0, 0, 0, L"番組1"},
        {"down", K, down, 0, 0, 0, L"番組1"}}},
      {"three entries",
       3,
       {{"setcursel 1", S, 1, 1, 1, 1, L"-"},
        {"up", K, up, 0, 0, 0, L"番組1"},
        {"up at the top", K, up, 0, 0, 0, L"番組1"},
        {"down", K, down, 0, 1, 1, L"番組2"},
        {"down", K, down, 0, 2, 2, L"番組3"},
        {"down at the end", K, down, 0, 2, 2, L"番組3"},
        {"setcursel 3 (out of range)", S, 3, LB_ERR, 2, 2, L"-"},
        {"setcursel -1", S, -1, LB_ERR, -1, 2, L"-"},
        {"up with no selection", K, up, 0, 2, 2, L"番組3"},
        {"setcursel -1", S, -1, LB_ERR, -1, 2, L"-"},
        {"down with no selection", K, down, 0, 2, 2, L"番組3"},
        {"setcursel 0", S, 0, 0, 0, 0, L"-"},
        {"down", K, down, 0, 1, 1, L"番組2"}}},
      {"no entries",
       0,
       {{"setcursel 1", S, 1, LB_ERR, -1, 0, L"-"},
        {"up", K, up, 0, -1, 0, L"-"},
        {"down", K, down, 0, -1, 0, L"-"}}},
  };
}

// "タイトル : X" of the details text, "" when there is none, kUntouched when unchanged.
std::wstring shownTitle(const std::wstring& details) {
  if (details == kUntouched) return kUntouched;
  const std::wstring key = L"タイトル : ";
  auto at = details.find(key);
  if (at == std::wstring::npos) return L"";
  auto end = details.find(L"\r\n", at);
  return details.substr(at + key.size(), end == std::wstring::npos ? end : end - at - key.size());
}

std::string outcome(int answer, int sel, int caret, const std::wstring& title) {
  return "answer " + std::to_string(answer) + ", sel " + std::to_string(sel) + ", caret " +
         std::to_string(caret) + ", shows \"" + utf8(title) + "\"";
}

void listBoxSequences(const Env& env) {
  say("# the controller's list box: selection, caret and answers");
  for (const Sequence& seq : sequences()) {
    std::string config;
    for (int k = 1; k <= seq.entries; ++k)
      config += "recording " + std::to_string(k) + "||番組" + std::to_string(k) +
                "|2026/12/01 21:00|00:30|HD " + std::to_string(k) + " MB\r\n";
    StandIn s(env.rokuCtrl, joinPath(env.work, L"listbox"), config);
    check(s.list && s.details, std::string("the stand-in is up for ") + seq.name);
    if (!s.list || !s.details) continue;
    const int sel0 = static_cast<int>(sendTimed(s.list, LB_GETCURSEL));
    const int caret0 = static_cast<int>(sendTimed(s.list, LB_GETCARETINDEX));
    check(sel0 == (seq.entries ? 0 : -1) && caret0 == 0,
          std::string(seq.name) + ": the controller starts on its first entry",
          "sel " + std::to_string(sel0) + ", caret " + std::to_string(caret0));
    for (const Step& st : seq.steps) {
      ::SendMessageW(s.details, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kUntouched.c_str()));
      const int answer = static_cast<int>(
          st.msg == LB_SETCURSEL ? sendTimed(s.list, LB_SETCURSEL, static_cast<WPARAM>(st.arg))
                                 : sendTimed(s.list, WM_KEYDOWN, static_cast<WPARAM>(st.arg)));
      const int sel = static_cast<int>(sendTimed(s.list, LB_GETCURSEL));
      const int caret = static_cast<int>(sendTimed(s.list, LB_GETCARETINDEX));
      const std::string got = outcome(answer, sel, caret, shownTitle(textOf(s.details)));
      const std::string want = outcome(st.answer, st.sel, st.caret, st.shown);
      check(got == want, std::string(seq.name) + ": " + st.what + " -> " + want, got);
    }
  }
}

// ---------------------------------------------------------------- the list read

struct Entry {
  std::string line;                  // "recording ..." line of the stand-in's configuration
  std::vector<std::wstring> fields;  // what columns 1 to 7 must show
};

const std::vector<Entry>& entries() {
  static const std::vector<Entry> e = {
      {"recording 1||ニュース７|2026/12/01 19:00|00:30|HD 850.5 MB",
       {L"1", L"", L"ニュース７", L"2026/12/01 19:00", L"00:30", L"HD", L"850.5"}},
      {"recording 2|L|映画Ⅱ　特別編|2026/12/02 21:00|02:00|HD 1.23 GB",
       {L"2", L"L", L"映画Ⅱ　特別編", L"2026/12/02 21:00", L"02:00", L"HD", L"1230"}},
      {"recording 3||ｱﾆﾒ･ｶﾞﾝﾀﾞﾑⅡ ﾃﾞｨﾚｸﾀｰｽﾞｶｯﾄ|2026/12/03 21:00|00:30|SD\r\n"
       "details タイトル : ｱﾆﾒ\\r\\nFileSize :700MB\\r\\nビットレート : SD",
       {L"3", L"", L"ｱﾆﾒ･ｶﾞﾝﾀﾞﾑⅡ ﾃﾞｨﾚｸﾀｰｽﾞｶｯﾄ", L"2026/12/03 21:00", L"00:30", L"SD", L"700"}},
      {"recording 4||①～⑳ 〜 ｶﾅ漢字|2026/12/04 23:45|01:15|HD 2 GB",
       {L"4", L"", L"①～⑳ 〜 ｶﾅ漢字", L"2026/12/04 23:45", L"01:15", L"HD", L"2000"}},
  };
  return e;
}

// ListView1: the only list with nine columns.
HWND recordingList(const Varnolt& v) {
  for (HWND h : children(v.main)) {
    if (classOf(h) != L"SysListView32") continue;
    HWND header = reinterpret_cast<HWND>(sendTimed(h, LVM_GETHEADER));
    if (header && sendTimed(header, HDM_GETITEMCOUNT) == 9) return h;
  }
  return nullptr;
}

// Presses a button of Varnolt and waits for its handler to return.
bool pressAndWait(HWND button, unsigned timeoutMs = 120000) {
  DWORD_PTR ignored = 0;
  return ::SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_NORMAL, timeoutMs, &ignored) != 0;
}

Xdo xdo;

void listRead(const Env& env) {
  say("# the list read: Japanese titles, sizes on");
  std::string config = "startup 0\r\n";
  for (const Entry& e : entries()) config += e.line + "\r\n";
  const std::wstring standIn =
      installStandIn(joinPath(env.work, L"一覧ロクラク"), env.rokuCtrl, config);
  const std::wstring downloads = joinPath(env.work, L"録画");
  ::CreateDirectoryW(downloads.c_str(), nullptr);
  const std::wstring folder = installVarnolt(env, L"一覧試験", designSettings(standIn, downloads));
  Varnolt v(folder);
  if (!v.opened("Varnolt opens")) return;
  HWND start = v.child(L"Button", kStartButton);
  HWND read = v.child(L"Button", kListButton);
  HWND list = recordingList(v);
  check(start && read && list, "the download tab has its buttons and ListView1");
  if (!start || !read || !list) return;
  ::PostMessageW(start, BM_CLICK, 0, 0);
  check(waitFor([&] { return ::IsWindowEnabled(read) != 0; }, 30000),
        "the controller is started and mapped");
  check(pressAndWait(read), "リスト取得 returns");
  const int rows = static_cast<int>(sendTimed(list, LVM_GETITEMCOUNT));
  check(rows == static_cast<int>(entries().size()), "ListView1 has one row per entry",
        std::to_string(rows) + " rows");
  for (int r = 0; r < rows && r < static_cast<int>(entries().size()); ++r) {
    const Entry& e = entries()[static_cast<std::size_t>(r)];
    std::wstring got, want;
    for (int k = 0; k <= 8; ++k) {
      got += listText(list, r, k) + L"|";
      want += (k == 0   ? L""
               : k <= 7 ? e.fields[static_cast<std::size_t>(k - 1)]
                        : downloads) +
              L"|";
    }
    check(got == want, "row " + std::to_string(r + 1) + " reads " + utf8(want), utf8(got));
    check(listCheckImage(list, r) == 1, "row " + std::to_string(r + 1) + " is unchecked");
  }
  check(v.child(L"Static", L"リスト取得") != nullptr, "the status line shows \"リスト取得\"");

  // A person checks the first row's box with the mouse: the gauge's text follows.
  // Varnolt in front with the pointer where it clicks, as the display shows it: after the
  // header click the controller's window, which activates itself on the sort click, lies
  // over Varnolt's until then and takes the clicks.
  const RECT row = listItemRect(list, 0);
  const int middle = (row.top + row.bottom) / 2;
  const bool boxInFront = xdo.bringToFront(v.main, row.left + 8, middle);
  xdo.click(row.left + 8, middle);
  const bool checkedByMouse = waitFor([&] { return listChecked(list, 0); }, 5000);
  check(checkedByMouse, "a click on the first row's box checks it",
        boxInFront ? "" : "Varnolt was not in front there");
  HWND total = awaitWindow(
      [&] {
        for (HWND h : children(v.main))
          if (classOf(h) == L"Static" && textOf(h).rfind(L"チェックした総サイズ：850.5MB", 0) == 0)
            return h;
        return HWND{};
      },
      3000);
  check(total != nullptr, "Label6 shows the checked total of 850.5 MB",
        total ? utf8(textOf(total)) : "");

  // A click on the "タイトル" header: the controller sorts by title, the list is read
  // again, and the check mark follows its title to its new row.
  HWND header = reinterpret_cast<HWND>(sendTimed(list, LVM_GETHEADER));
  RECT title = remoteRect(header, HDM_GETITEMRECT, 3);
  ::MapWindowPoints(header, nullptr, reinterpret_cast<POINT*>(&title), 2);
  xdo.click(title);
  // The list is disabled while the header click is handled: enabled again, it is done.
  const bool sorted = waitFor(
      [&] { return ::IsWindowEnabled(list) && listText(list, 0, 3) == L"①～⑳ 〜 ｶﾅ漢字"; }, 20000);
  check(sorted, "a click on the タイトル header re-reads the list in the controller's new order",
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
  std::string seen;
  if (!menu)
    for (HWND h : topLevel())
      if (::IsWindowVisible(h)) seen += utf8(classOf(h)) + "/" + std::to_string(pidOf(h)) + " ";
  check(menu != nullptr, "a right click on the list opens its pop-up menu",
        std::string(menuInFront ? "" : "Varnolt was not in front there; ") +
            "visible windows: " + seen + "; Varnolt " + std::to_string(v.pid()));
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
