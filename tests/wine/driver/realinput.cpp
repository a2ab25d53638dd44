// Varnolt.exe used as a person uses it: real clicks, keys, typed text and corner drags from
// xdotool on Wine's X display (xdo.hpp), the results read back from the controls; then the
// pages and the version dialog at two DPIs, checked and saved as screenshots.
#include "groups.hpp"
#include "xdo.hpp"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <cwctype>

#include "platform/win32/win_util.hpp"

namespace winetest {

namespace {

Xdo xdo;

// Input passes through X and the program's queue at the machine's pace: its effect is awaited.
constexpr int kInputMs = 10000;
bool becomes(const std::function<bool()>& done) {
  return waitFor(done, kInputMs);
}

std::string describe(HWND h) {
  if (!h) return "(nothing)";
  std::wstring t = textOf(h);
  if (t.size() > 20) t = t.substr(0, 20) + L"…";
  return utf8(classOf(h) + L" \"" + t + L"\"");
}

// Presses `keys` and checks that the focus comes to a control `ok` accepts; that control.
HWND focusCheck(HWND main, const std::vector<std::string>& keys, const std::string& name,
                const std::function<bool(HWND)>& ok) {
  if (!keys.empty()) xdo.keys(keys);
  HWND f = nullptr;
  check(becomes([&] { return (f = focusOf(main)) && ok(f); }), name, describe(f));
  return f;
}

// Presses keys that move the focus; where it moved to (a date picker's parts count as it).
HWND focusAfter(HWND main, const std::vector<std::string>& keys) {
  auto control = [&] {
    HWND f = focusOf(main);
    while (f && classOf(::GetParent(f)) == L"SysDateTimePick32") f = ::GetParent(f);
    return f;
  };
  HWND from = control(), now = from;
  xdo.keys(keys);
  becomes([&] { return (now = control()) != from; });
  return now;
}

int currentPage(HWND tab) {
  return static_cast<int>(sendTimed(tab, TCM_GETCURSEL));
}

bool onPage(const Varnolt& v, HWND tab, int k) {
  return currentPage(tab) == k && v.pageShown(k);
}

// No two visible controls where neither holds the other share a pixel.
void uncovered(HWND main, const std::string& where) {
  std::vector<HWND> v;
  for (HWND h : children(main))
    if (::IsWindowVisible(h)) v.push_back(h);
  std::vector<std::string> found;
  for (std::size_t i = 0; i < v.size(); ++i)
    for (std::size_t j = i + 1; j < v.size(); ++j) {
      RECT a = rectOf(v[i]), b = rectOf(v[j]), both;
      if (!::IsChild(v[i], v[j]) && !::IsChild(v[j], v[i]) && ::IntersectRect(&both, &a, &b))
        found.push_back(describe(v[i]) + " / " + describe(v[j]));
    }
  check(found.empty(), where + ": no control covers another",
        found.empty() ? "" : found.front() + " (" + std::to_string(found.size()) + ")");
}

// Empty when the pictures are alike, else how many pixels differ and in which rows.
std::string compareShots(const Shot& a, const Shot& b) {
  if (a.width != b.width || a.height != b.height) return "sizes differ";
  std::size_t n = 0, first = 0, last = 0;
  for (std::size_t i = 0; i < a.pixels.size(); ++i) {
    if (((a.pixels[i] ^ b.pixels[i]) & 0xFFFFFF) == 0) continue;
    if (n++ == 0) first = i;
    last = i;
  }
  if (n == 0) return {};
  const auto width = static_cast<std::size_t>(a.width);
  return std::to_string(n) + " pixels differ in rows " + std::to_string(first / width) + " to " +
         std::to_string(last / width);
}

// The window once two pictures 200 ms apart are alike (after a full repaint when asked).
Shot settledCapture(HWND h, bool repaint = false) {
  if (repaint)
    ::RedrawWindow(h, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Shot last = capture(h);
  waitFor(
      [&] {
        ::Sleep(200);
        Shot now = capture(h);
        const bool same = compareShots(last, now).empty();
        last = std::move(now);
        return same;
      },
      kInputMs);
  return last;
}

void typingTests(Varnolt& v, HWND tab) {
  say("# typing with real key events");
  xdo.keys({"ctrl+Tab"});
  check(becomes([&] { return onPage(v, tab, 1); }), "Ctrl+Tab shows the rule tab");
  // The rule tab's empty title box and its time boxes (two digits each).
  HWND title = nullptr;
  std::vector<HWND> times;
  for (HWND h : children(v.main)) {
    if (classOf(h) != L"Edit" || !::IsWindowVisible(h)) continue;
    const std::wstring t = textOf(h);
    if (t.empty()) title = h;
    if (t.size() == 2 && std::iswdigit(t[0]) && std::iswdigit(t[1])) times.push_back(h);
  }
  check(title != nullptr, "the rule tab has an empty title box");
  if (!title) return;
  xdo.click(title);
  focusCheck(v.main, {}, "a click puts the caret in the title box",
             [&](HWND f) { return f == title; });
  // Presses `keys`, types `text`, and checks that `box` then reads `want`.
  auto typed = [&](HWND box, const std::vector<std::string>& keys, const std::string& text,
                   const std::wstring& want, const std::string& what) {
    if (!keys.empty()) xdo.keys(keys);
    xdo.type(text);
    check(becomes([&] { return textOf(box) == want; }), what, shown(textOf(box)));
  };
  typed(title, {}, "News 7", L"News 7", "typed \"News 7\" reads \"News 7\"");
  typed(title, {"Home", "Right", "Right"}, "w", L"Newws 7",
        "a letter typed in the middle lands at the caret");
  typed(title, {"shift+End"}, "s!", L"News!", "text typed over a selection replaces it");
  typed(title, {"BackSpace", "End"}, " 9", L"News 9",
        "BackSpace and End then typing keep the caret");
  typed(title, {"Home", "shift+End", "Delete"}, "ニュース", L"ニュース",
        "Japanese text lands in order");
  typed(title, {"Left", "Left"}, "7", L"ニュ7ース", "text typed after Japanese lands at the caret");
  check(times.size() == 4, "the rule tab shows four time boxes", std::to_string(times.size()));
  if (!times.empty()) {
    xdo.click(times.back());
    typed(times.back(), {"Home", "shift+End"}, "23", L"23", "typing 23 in a time box reads 23");
  }

  // Leaving the settings tab drops one trailing backslash: the typed text reached the model.
  xdo.keys({"ctrl+Next", "ctrl+Next", "ctrl+Next"});
  check(becomes([&] { return onPage(v, tab, 4); }), "Ctrl+PgDn three times shows the settings tab");
  HWND folder = shownChild(v.main, L"Edit", L"未設定");
  check(folder != nullptr, "the settings tab shows the folder box");
  if (!folder) return;
  xdo.click(folder);
  typed(folder, {"End"}, "abc", L"未設定abc", "End then \"abc\" gives \"未設定abc\"");
  typed(folder, {"Home", "shift+End"}, "C:\\rec\\\\", L"C:\\rec\\\\",
        "a path typed over the selection");
  xdo.keys({"ctrl+Prior"});
  check(becomes([&] { return currentPage(tab) == 3 && textOf(folder) == L"C:\\rec\\"; }),
        "Ctrl+PgUp leaves the settings tab as a click would: one backslash dropped",
        shown(textOf(folder)));
  xdo.keys({"ctrl+Next"});
  xdo.click(folder);
  xdo.keys({"Home", "shift+End"});
  xdo.type("C:\\rec\\");
  xdo.keys({"ctrl+Tab"});
  check(becomes([&] { return currentPage(tab) == 5 && textOf(folder) == L"C:\\rec"; }),
        "Ctrl+Tab from the settings tab drops the trailing backslash", shown(textOf(folder)));
}

void keyboardTests(Varnolt& v, HWND tab) {
  say("# keyboard access");
  focusCheck(v.main, {},
             "at start-up the recording list, the first control of the shown page, has the focus",
             [&](HWND f) { return classOf(f) == L"SysListView32" && currentPage(tab) == 0; });
  // Each key pressed six times: each page in turn chosen and shown, round to the first.
  for (const auto& [key, step, name] :
       {std::tuple{"ctrl+Tab", 1, "Ctrl+Tab walks the six pages in order and shows each"},
        std::tuple{"ctrl+shift+Tab", -1, "Ctrl+Shift+Tab walks them backwards"}}) {
    bool all = true;
    std::string seen;
    for (int i = 1; i <= 6; ++i) {
      const int want = (6 + i * step) % 6;
      xdo.keys({key});
      becomes([&] { return onPage(v, tab, want); });
      const int k = currentPage(tab);
      seen += std::to_string(k);
      all = all && k == want && v.pageShown(k);
    }
    check(all, name, seen);
  }
  xdo.keys({"ctrl+Prior"});
  check(becomes([&] { return onPage(v, tab, 5); }), "Ctrl+PgUp from the first page wraps");
  xdo.keys({"ctrl+Next"});
  check(becomes([&] { return onPage(v, tab, 0); }), "Ctrl+PgDn from the last page wraps");
  HWND inPage =
      focusCheck(v.main, {}, "after a page change the focus is on a control of the shown page",
                 [&](HWND f) { return ::IsWindowVisible(f) && f != tab; });
  focusCheck(v.main, {"shift+Tab"}, "Shift+Tab from the list reaches the tab strip",
             [&](HWND f) { return f == tab; });
  focusCheck(v.main, {"Tab"}, "Tab from the tab strip enters the page",
             [&](HWND f) { return f == inPage; });
  int presses = 0;
  for (; presses < 40 && focusOf(v.main) != tab; ++presses) focusAfter(v.main, {"Tab"});
  check(focusOf(v.main) == tab, "a round of Tab comes back to the tab strip",
        std::to_string(presses) + " presses");
  focusCheck(v.main, {"ctrl+Tab"},
             "Ctrl+Tab on the tab strip shows the rule tab and keeps the strip focused",
             [&](HWND f) { return f == tab && currentPage(tab) == 1; });

  // Tab on the rule tab, until 追加, a control met again, or none; each in reading order.
  std::vector<HWND> order;
  HWND add = shownChild(v.main, L"Button", L"追加");
  for (int i = 0; i < 30; ++i) {
    HWND f = focusAfter(v.main, {"Tab"});
    const bool again = std::find(order.begin(), order.end(), f) != order.end();
    if (f == add || (f && !again)) order.push_back(f);
    if (!f || f == add || again) break;
  }
  bool reading = order.size() >= 10;
  std::string walk;
  for (std::size_t i = 0; i < order.size(); ++i) {
    walk += describe(order[i]) + "; ";
    if (i == 0) continue;
    const RECT a = rectOf(order[i - 1]), b = rectOf(order[i]);
    const bool sameRow = b.top < (a.top + a.bottom) / 2 && a.top < (b.top + b.bottom) / 2;
    if (sameRow ? b.left <= a.left : b.top <= a.top) reading = false;
  }
  check(reading && !order.empty() && order.back() == add &&
            classOf(order.front()) == L"SysListView32",
        "on the rule tab Tab runs from the list top to bottom, left to right to 追加", walk);
  HWND picker = focusAfter(v.main, {"Tab"});
  check(picker && classOf(picker) == L"SysDateTimePick32",
        "leaving 追加 puts the focus on the date picker", describe(focusOf(v.main)));
  xdo.keys({"ctrl+Prior"});
  becomes([&] { return currentPage(tab) == 0; });
}

// Drags the corner by (dx, dy) step by step; when not taken, sets the size and says false.
bool dragCorner(HWND main, int dx, int dy, std::string& detail) {
  const RECT r = rectOf(main);
  const DWORD thread = ::GetWindowThreadProcessId(main, nullptr);
  auto sizing = [&] {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return ::GetGUIThreadInfo(thread, &info) && (info.flags & GUI_INMOVESIZE);
  };
  auto reached = [&] {
    const RECT now = rectOf(main);
    return widthOf(now) == widthOf(r) + dx && heightOf(now) == heightOf(r) + dy;
  };
  const int x = r.right - 3, y = r.bottom - 3;
  xdo.move(x, y);
  xdo.press(true);
  const bool started = becomes(sizing);
  for (int step = 1; step <= 8; ++step) xdo.move(x + dx * step / 8, y + dy * step / 8);
  xdo.press(false);
  const bool done = started && becomes([&] { return !sizing() && reached(); });
  const RECT now = rectOf(main);
  detail = std::string(started ? "" : "the press started no sizing; ") + "the window is " +
           std::to_string(widthOf(now)) + "x" + std::to_string(heightOf(now)) + ", wanted " +
           std::to_string(widthOf(r) + dx) + "x" + std::to_string(heightOf(r) + dy);
  if (done) return true;
  becomes([&] { return !sizing(); });
  ::SetWindowPos(main, nullptr, 0, 0, widthOf(r) + dx, heightOf(r) + dy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  becomes(reached);
  return false;
}

// Once the window is at rest: nothing covered, nothing stale left where controls were.
void afterResize(HWND main, const std::string& when) {
  settledCapture(main);
  uncovered(main, when);
  xdo.parkMouse();
  const Shot before = settledCapture(main);
  const std::string diff = compareShots(before, settledCapture(main, true));
  check(diff.empty(), when + ": no stale pixels (screen = full repaint)", diff);
}

void resizeTests(Varnolt& v, HWND tab) {
  say("# resizing with the mouse");
  // The tab strip holds the focus (Ctrl+Tab leaves it there): no caret blinks in the pictures.
  focusCheck(v.main, {"shift+Tab"}, "Shift+Tab puts the focus on the tab strip",
             [&](HWND f) { return f == tab; });
  const RECT design = rectOf(v.main);
  std::string drag;
  for (int k = 0; k < 6; ++k) {
    const std::string page = "page " + std::to_string(k);
    uncovered(v.main, page + " at design size");
    check(dragCorner(v.main, 60, 40, drag),
          page + ": dragging the corner enlarges the window by 60x40", drag);
    afterResize(v.main, page + " enlarged");
    const bool shrank = dragCorner(v.main, -60, -40, drag);
    const RECT back = rectOf(v.main);
    check(shrank && ::EqualRect(&back, &design) != 0,
          page + ": dragging it back restores the design size", drag);
    afterResize(v.main, page + " shrunk back");
    xdo.keys({"ctrl+Tab"});
    becomes([&] { return onPage(v, tab, (k + 1) % 6); });
  }
  // Taller only, as a user first met it: the list must not grow over the remote.
  check(currentPage(tab) == 0, "back on the download tab");
  dragCorner(v.main, 0, 40, drag);
  afterResize(v.main, "download tab 40 px taller");
  HWND stop = shownChild(v.main, L"Button", L"停止");
  HWND list = v.shownList();
  check(stop && list && rectOf(stop).top >= rectOf(list).bottom,
        "40 px taller: the remote's 停止 button stays below the list");
  dragCorner(v.main, 0, -40, drag);
}

// A click on a row's text selects the row; only a click on its box changes its check mark.
void listClicks(HWND list) {
  say("# clicks on a row of the conversion list");
  auto selected = [&](int row) {
    return (sendTimed(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) &
            LVIS_SELECTED) != 0;
  };
  auto state = [&] {
    std::string s;
    for (int r = 0; r < 2; ++r)
      s += "row " + std::to_string(r + 1) + (selected(r) ? " selected" : "") +
           (listChecked(list, r) ? " checked; " : " unchecked; ");
    return s;
  };
  RECT name = remoteRect(list, LVM_GETSUBITEMRECT, 1, {LVIR_LABEL, 2, 0, 0});
  ::MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&name), 2);
  xdo.click(name.left + 16, (name.top + name.bottom) / 2);
  check(selected(1) && !selected(0) && listChecked(list, 1) && listChecked(list, 0),
        "a click on row 2's file name selects the row and keeps its check mark", state());
  const RECT row = listItemRect(list, 1);
  xdo.click(row.left + 8, (row.top + row.bottom) / 2);
  check(!listChecked(list, 1) && listChecked(list, 0),
        "a click on row 2's box clears its check mark alone", state());
}

void pathDialogKeys(const Varnolt& v, HWND list) {
  say("# the path entry dialog from the keyboard");
  // Form3 for row 2 with `path` typed into Text1, reached with Tab, Tab; nullptr when none.
  auto typedPath = [&](const std::wstring& path) -> HWND {
    HWND dialog = openPathDialog(xdo, v, list, 1);
    HWND edit = dialog ? findChild(dialog, L"Edit", L"") : nullptr;
    if (!edit) return nullptr;
    xdo.keys({"Tab", "Tab"});
    xdo.type(utf8(path));
    becomes([&] { return textOf(edit).ends_with(path); });
    return dialog;
  };
  auto row2 = [&] { return listText(list, 1, 5); };
  // The dialog closes, and row 2 then holds `want`.
  auto closedWith = [&](HWND dialog, const std::wstring& want) {
    waitFor([&] { return !::IsWindow(dialog); }, 3000);
    return !::IsWindow(dialog) && row2() == want;
  };
  HWND dialog = typedPath(L"C:\\録画\\変換済み\\");
  check(dialog != nullptr, "\"変換先変更\" on row 2 opens the path entry dialog");
  if (!dialog) return;
  xdo.keys({"Return"});
  check(closedWith(dialog, L"C:\\録画\\変換済み"),
        "Enter in the typed path hands back C:\\録画\\変換済み for row 2", utf8(row2()));
  const std::wstring kept = row2();
  dialog = typedPath(L"C:\\捨てる\\");
  if (!dialog) return;
  xdo.keys({"shift+Tab", "shift+Tab"});
  const std::string focus = utf8(textOf(focusOf(dialog)));
  xdo.keys({"Return"});
  check(closedWith(dialog, kept), "Enter on キャンセル closes the dialog and drops the typed path",
        "focus on \"" + focus + "\", row 2: " + utf8(row2()));
  dialog = typedPath(L"C:\\捨てる\\");
  if (!dialog) return;
  xdo.keys({"Tab", "Return"});
  HWND browser = v.folderBrowser(10000);
  check(browser && ::IsWindow(dialog), "Enter on 参照 opens the folder browser over the dialog");
  if (browser) {
    xdo.keys({"Escape"});
    waitFor([&] { return !::IsWindow(browser); }, 5000);
  }
  xdo.keys({"Escape"});
  check(closedWith(dialog, kept), "Esc closes the dialog and drops the typed path", utf8(row2()));
}

// The end-of-work choices: one tab stop; arrows choose in reading order, round at both ends.
void optionArrows(const Varnolt& v, HWND tab) {
  say("# arrow keys in the end-of-work choices");
  while (currentPage(tab) != 4) xdo.keys({"ctrl+Tab"});
  std::vector<HWND> option;
  for (const wchar_t* caption :
       {L"サスペンド", L"休止状態", L"ログオフ", L"リブート", L"シャットダウン", L"何もしない",
        L"本ソフトのみ終了する", L"ﾛｸﾗｸ・ｺﾝﾄﾛｰﾗを終了する", L"本ソフトとﾛｸﾗｸ・ｺﾝﾄﾛｰﾗを終了する"})
    option.push_back(shownChild(v.main, L"Button", caption));
  // The one option shown checked ("-1": none or several), "*" when the focus is elsewhere.
  auto chosen = [&] {
    const auto at = std::find_if(option.begin(), option.end(), buttonChecked);
    if (std::count_if(option.begin(), option.end(), buttonChecked) != 1) return std::string("-1");
    return std::to_string(at - option.begin()) + (focusOf(v.main) == *at ? "" : "*");
  };
  xdo.click(option[5]);
  check(chosen() == "5", "a click on 何もしない gives the chosen option the focus", chosen());
  std::string seen;
  for (const char* key :
       {"Right", "Right", "Right", "Right", "Down", "Down", "Down", "Down", "Down", "Left", "Up"}) {
    xdo.keys({key});
    seen += chosen() + " ";
  }
  check(seen == "6 7 8 0 2 1 3 4 5 4 3 ",
        "Right and Down choose the next option in reading order, Left and Up the one before, "
        "round at both ends",
        seen);
  xdo.keys({"Tab"});
  HWND away = focusOf(v.main);
  xdo.keys({"shift+Tab"});
  check(std::find(option.begin(), option.end(), away) == option.end() && chosen() == "3",
        "the group is one tab stop: Tab leaves it, Shift+Tab comes back to リブート",
        describe(away) + "; back on " + chosen());
}

int CALLBACK fontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

// The UI font as the program picks it (font handles do not cross processes).
LOGFONTW uiFont(int dpi) {
  NONCLIENTMETRICSW ncm{};
  ncm.cbSize = sizeof ncm;
  ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
  LOGFONTW lf = ncm.lfMessageFont, probe{};
  probe.lfCharSet = DEFAULT_CHARSET;
  HDC dc = ::GetDC(nullptr);
  for (const wchar_t* face : {L"MS UI Gothic", L"IPAPGothic"}) {
    ::lstrcpynW(probe.lfFaceName, face, LF_FACESIZE);
    bool found = false;
    ::EnumFontFamiliesExW(dc, &probe, fontFound, reinterpret_cast<LPARAM>(&found), 0);
    if (!found) continue;
    ::lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
    lf.lfCharSet = SHIFTJIS_CHARSET;
    lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    break;
  }
  ::ReleaseDC(nullptr, dc);
  lf.lfHeight = -::MulDiv(9, dpi, 72);
  lf.lfWidth = 0;
  lf.lfWeight = FW_NORMAL;
  lf.lfItalic = FALSE;
  return lf;
}

// The size of one line of `text` in the UI font, and the font's line height.
SIZE textSize(int dpi, const std::wstring& text, int* lineHeight = nullptr) {
  const LOGFONTW lf = uiFont(dpi);
  const varnolt::win32::UniqueGdi font(::CreateFontIndirectW(&lf));
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, font.get());
  RECT need{0, 0, 0, 0};
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &need, DT_CALCRECT | DT_SINGLELINE);
  TEXTMETRICW tm{};
  ::GetTextMetricsW(dc, &tm);
  if (lineHeight) *lineHeight = tm.tmHeight;
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  return {need.right, need.bottom};
}

// The ink of a label's text on the screen spans what the UI font measures.
bool fontConfirmed(HWND label, int dpi, std::string& detail) {
  RECT r = rectOf(label);
  HDC screen = ::GetDC(nullptr);
  int first = -1, last = -1;
  for (int x = r.left; x < r.right; ++x)
    for (int y = r.top; y < r.bottom; ++y) {
      const COLORREF c = ::GetPixel(screen, x, y);
      if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 240) {
        if (first < 0) first = x;
        last = x;
        break;
      }
    }
  ::ReleaseDC(nullptr, screen);
  const SIZE want = textSize(dpi, textOf(label));
  const int ink = first < 0 ? 0 : last - first + 1;
  detail = "ink " + std::to_string(ink) + " px, the font measures " + std::to_string(want.cx);
  return ink > 0 && std::abs(ink - want.cx) <= 3;
}

// Every visible caption of `root` fits with a button's edge, a check box's box, one line.
void wholeCaptions(HWND root, const std::string& where, int dpi) {
  std::string bad;
  int n = 0;
  for (HWND h : children(root)) {
    if (!::IsWindowVisible(h)) continue;
    const std::wstring cls = classOf(h), text = textOf(h);
    const LONG style = ::GetWindowLongW(h, GWL_STYLE);
    const LONG button = style & BS_TYPEMASK, label = style & SS_TYPEMASK;
    int margin = -1;
    if (cls == L"Button" && (button == BS_PUSHBUTTON || button == BS_DEFPUSHBUTTON))
      margin = ::MulDiv(10, dpi, 96);
    else if (cls == L"Button" && (button == BS_CHECKBOX || button == BS_AUTOCHECKBOX ||
                                  button == BS_RADIOBUTTON || button == BS_AUTORADIOBUTTON))
      margin = ::MulDiv(13 + 6, dpi, 96);
    else if (cls == L"Static" && (label == SS_LEFT || label == SS_CENTER || label == SS_RIGHT ||
                                  label == SS_LEFTNOWORDWRAP))
      margin = 0;
    else if (cls == L"VarnoltPanel")
      margin = ::MulDiv(16, dpi, 96);  // the frame's caption starts one character in
    if (text.empty() || margin < 0) continue;
    int minHeight = 0;
    const SIZE need = textSize(dpi, text, &minHeight);
    RECT client{};
    ::GetClientRect(h, &client);
    if (need.cx + margin <= client.right && (cls == L"VarnoltPanel" || minHeight <= client.bottom))
      continue;
    ++n;
    if (bad.size() < 400)
      bad += utf8(L"\"" + text + L"\" needs ") + std::to_string(need.cx + margin) + "x" +
             std::to_string(minHeight) + ", has " + std::to_string(client.right) + "x" +
             std::to_string(client.bottom) + "; ";
  }
  check(n == 0, where + ": every caption is whole", std::to_string(n) + " clipped: " + bad);
}

// Ctrl+Tab until the download tab is up, each page waited for.
void toFirstPage(const Varnolt& v, HWND tab) {
  for (int i = 0; i < 6 && currentPage(tab) != 0; ++i) {
    const int next = (currentPage(tab) + 1) % 6;
    xdo.keys({"ctrl+Tab"});
    becomes([&] { return onPage(v, tab, next); });
  }
}

// A long log: the box, which takes it a slice at a time, comes to hold all of it in order.
void longLogTest(const Env& env) {
  const std::wstring folder = installVarnolt(env, L"長いログ");
  std::wstring file, want = L"\r\n";  // the start line, then the empty line parting the runs
  for (int i = 0; i < 3000; ++i) {
    const std::wstring line = L"2026/01/01   00:00:00   作業" + std::to_wstring(i);
    file += line + L"\r\n";
    want += L"\r\n" + line;
  }
  writeFile(joinPath(folder, L"log.ini"), cp932(file));
  Varnolt v(folder);
  HWND box = v.main ? v.logBox() : nullptr;
  check(box && v.selectTab(3), "the log tab opens with a 3,000-line log");
  if (!box) return;
  std::wstring after;
  waitFor(
      [&] {
        // The length first: reading the whole text at every turn would slow the filling.
        if (sendTimed(box, WM_GETTEXTLENGTH) < static_cast<LRESULT>(want.size())) return false;
        const std::wstring text = textOf(box);
        after = text.substr(std::min(text.size(), text.find(L"\r\n")));
        return after.size() >= want.size();
      },
      30000);
  check(after == want, "the log box holds the whole log in its order",
        std::to_string(lines(after).size()) + " lines after the first");
}

// The six pages and the version dialog of a Varnolt started with the screen at `dpi`.
void pagesAt(const Env& env, int dpi) {
  const std::string at = std::to_string(dpi) + " DPI";
  say("# screenshots at " + at);
  Varnolt v(installVarnolt(env, L"dpi" + std::to_wstring(dpi)));
  if (!v.opened("the main window opens at " + at)) return;
  xdo.bringToFront(v.main);
  HWND tab = v.tabs();
  RECT client{};  // the design client area is 10410 twips wide
  ::GetClientRect(v.main, &client);
  check(client.right == ::MulDiv(10410, dpi, 1440), "the client area is the design width at " + at,
        std::to_string(client.right));
  std::string detail;
  HWND status = shownChild(v.main, L"Static", kStarted);
  check(status && becomes([&] { return fontConfirmed(status, dpi, detail); }),
        at + ": the status line is drawn in the UI font", detail);
  // The tab strip holds the focus: no caret in the pictures.
  xdo.keys({"shift+Tab"});
  becomes([&] { return focusOf(v.main) == tab; });
  const std::wstring suffix = dpi == 96 ? L"" : L"-" + std::to_wstring(dpi) + L"dpi";
  for (int k = 0; k < 6; ++k) {
    const std::string page = at + ": page " + std::to_string(k);
    if (k > 0) xdo.keys({"ctrl+Tab"});
    check(becomes([&] { return onPage(v, tab, k); }), page + " is shown");
    uncovered(v.main, page);
    wholeCaptions(v.main, page, dpi);
    if (k == 1) {
      // 12: the list's own cell margins.
      const int need = textSize(dpi, L"日月火水木金土").cx + 12;
      const auto width = static_cast<int>(sendTimed(v.shownList(), LVM_GETCOLUMNWIDTH, 2));
      check(need > 0 && need <= width, at + ": the 毎週 column holds seven days",
            "needs " + std::to_string(need) + ", has " + std::to_string(width));
    }
    xdo.parkMouse();
    settledCapture(v.main, true);
    if (!env.shots.empty())
      saveBitmap(v.main, joinPath(env.shots, L"tab" + std::to_wstring(k) + suffix + L".bmp"));
  }
  xdo.keys({"alt+h"});
  xdo.keys({"v"});
  HWND dialog = awaitWindow([&] { return findTop(v.pid(), L"VarnoltDialog", L""); }, kInputMs);
  check(dialog != nullptr, at + ": Alt+H, V opens the version dialog");
  if (!dialog) return;
  settledCapture(dialog);
  wholeCaptions(dialog, at + ": the version dialog", dpi);
  if (!env.shots.empty())
    saveBitmap(dialog, joinPath(env.shots, L"about-" + std::to_wstring(dpi) + L"dpi.bmp"));
  xdo.keys({"Escape"});
  becomes([&] { return !::IsWindow(dialog); });
  check(!::IsWindow(dialog), at + ": Esc closes the version dialog");
}

}  // namespace

void realInputTests(const Env& env) {
  say("# real input (xdotool)");
  check(xdo.available() && xdo.run({"version"}), "xdotool answers through the input folder");
  if (!xdo.available()) return;
  {
    Varnolt v(installVarnolt(env, L"実入力"));
    if (!v.opened("the main window opens")) return;
    check(xdo.bringToFront(v.main), "the main window is in front and has the X input focus");
    HWND tab = v.tabs();
    keyboardTests(v, tab);
    toFirstPage(v, tab);
    typingTests(v, tab);
    toFirstPage(v, tab);
    resizeTests(v, tab);
  }
  {
    // Two recordings dropped on the conversion list, as from the shell.
    const std::wstring folder = installVarnolt(env, L"選択と確定");
    const std::vector<std::wstring> files{joinPath(folder, L"ニュース.m2t"),
                                          joinPath(folder, L"ドラマ 第1話.m2t")};
    for (const std::wstring& file : files) writeFile(file, "m2t");
    Varnolt v(folder);
    if (!v.opened("the main window opens for the lists and choices")) return;
    xdo.keys({"ctrl+Tab", "ctrl+Tab"});
    HWND list = v.shownList();
    check(list && sendFileDrop(list, files) && listCount(list) == 2,
          "two files dropped on the conversion list make two rows");
    if (!list || listCount(list) != 2) return;
    listClicks(list);
    pathDialogKeys(v, list);
    optionArrows(v, v.tabs());
  }
  longLogTest(env);
}

void dpiScreenshots(const Env& env, int dpi) {
  // The screen's DPI for programs started from now on, as the desktop settings hold it.
  const wchar_t* const desktop = L"Control Panel\\Desktop";
  auto set = [&](DWORD value) {
    ::RegSetKeyValueW(HKEY_CURRENT_USER, desktop, L"LogPixels", REG_DWORD, &value, sizeof value);
  };
  DWORD old = 0, size = sizeof old;
  const bool had = ::RegGetValueW(HKEY_CURRENT_USER, desktop, L"LogPixels", RRF_RT_REG_DWORD,
                                  nullptr, &old, &size) == ERROR_SUCCESS;
  set(static_cast<DWORD>(dpi));
  pagesAt(env, dpi);
  if (had)
    set(old);
  else
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, desktop, L"LogPixels");
}

}  // namespace winetest
