// Varnolt.exe used as a person uses it: real mouse clicks at control positions, real
// key events and typed text, window corners dragged. The events come from xdotool on
// the X display Wine draws on; run.sh serves the requests (xdo.hpp). The
// results are read back from the controls.
#include "groups.hpp"
#include "xdo.hpp"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwctype>

#include "platform/win32/win_util.hpp"

namespace winetest {

namespace {

Xdo xdo;

// ---------------------------------------------------------------- reading the window

// The focused control, a date picker's inner parts counted as the picker.
HWND focusedControl(HWND main) {
  HWND f = focusOf(main);
  while (f && classOf(::GetParent(f)) == L"SysDateTimePick32") f = ::GetParent(f);
  return f;
}

// What input leads to is waited for, never assumed after a fixed time: the events pass
// through the X server and the program's own queue, at the machine's pace.
constexpr int kInputMs = 10000;
bool becomes(const std::function<bool()>& done) {
  return waitFor(done, kInputMs);
}

// Presses keys that move the focus and waits until it has moved; returns where to.
HWND focusAfter(HWND main, const std::vector<std::string>& keys) {
  HWND from = focusedControl(main), now = from;
  xdo.keys(keys);
  becomes([&] {
    now = focusedControl(main);
    return now != from;
  });
  return now;
}

std::wstring describe(HWND h) {
  if (!h) return L"(nothing)";
  std::wstring t = textOf(h);
  if (t.size() > 20) t = t.substr(0, 20) + L"…";
  return classOf(h) + L" \"" + t + L"\"";
}

// The visible edit boxes of the shown page, in enumeration order.
std::vector<HWND> visibleEdits(HWND main) {
  std::vector<HWND> v;
  for (HWND h : children(main))
    if (classOf(h) == L"Edit" && ::IsWindowVisible(h)) v.push_back(h);
  return v;
}

int currentPage(HWND tab) {
  return static_cast<int>(sendTimed(tab, TCM_GETCURSEL));
}

// Page k is chosen and shown.
bool onPage(const Varnolt& v, HWND tab, int k) {
  return currentPage(tab) == k && v.pageShown(k);
}

// Every pair of visible windows of the main window where neither holds the other must
// not share a pixel.
std::vector<std::string> coveredControls(HWND main) {
  std::vector<HWND> v;
  for (HWND h : children(main))
    if (::IsWindowVisible(h)) v.push_back(h);
  std::vector<std::string> found;
  for (std::size_t i = 0; i < v.size(); ++i)
    for (std::size_t j = i + 1; j < v.size(); ++j) {
      if (::IsChild(v[i], v[j]) || ::IsChild(v[j], v[i])) continue;
      RECT a = rectOf(v[i]), b = rectOf(v[j]), both;
      if (::IntersectRect(&both, &a, &b))
        found.push_back(utf8(describe(v[i]) + L" / " + describe(v[j])));
    }
  return found;
}

// Pixels that differ, and where.
std::string compareShots(const Shot& a, const Shot& b) {
  if (a.width != b.width || a.height != b.height) return "sizes differ";
  int n = 0, left = a.width, top = a.height, right = -1, bottom = -1;
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * static_cast<std::size_t>(a.width) +
                            static_cast<std::size_t>(x);
      if ((a.pixels[i] & 0xFFFFFF) == (b.pixels[i] & 0xFFFFFF)) continue;
      ++n;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  if (n == 0) return {};
  return std::to_string(n) + " pixels differ within (" + std::to_string(left) + "," +
         std::to_string(top) + ")-(" + std::to_string(right) + "," + std::to_string(bottom) + ")";
}

void repaintAll(HWND main) {
  ::RedrawWindow(main, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

// The window as the screen shows it once its drawing has come to rest: two pictures
// taken 200 ms apart alike.
Shot settledCapture(HWND h) {
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

// ---------------------------------------------------------------- typing

// Types text with Japanese in it into an empty edit box: xdotool types characters that
// have no key as Unicode key symbols. When the X input of this Wine takes none, the text
// is committed the way an input method does, one WM_IME_CHAR a character.
void typeJapanese(HWND box, const std::wstring& text) {
  xdo.type(utf8(text));
  if (becomes([&] { return textOf(box).ends_with(text); })) return;
  ::SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
  for (wchar_t c : text) ::PostMessageW(box, WM_IME_CHAR, c, 1);
  becomes([&] { return textOf(box) == text; });
  say("# Japanese committed with WM_IME_CHAR (no Unicode key symbols through X)");
}

void typingTests(Varnolt& v, HWND tab) {
  say("# typing with real key events");
  // The rule tab's title box, reached with Ctrl+Tab from the download tab.
  xdo.keys({"ctrl+Tab"});
  check(becomes([&] { return onPage(v, tab, 1); }), "Ctrl+Tab shows the rule tab");
  HWND title = nullptr;
  for (HWND h : visibleEdits(v.main))
    if (textOf(h).empty()) title = h;
  check(title != nullptr, "the rule tab has an empty title box");
  if (!title) return;
  xdo.click(title);
  check(becomes([&] { return focusOf(v.main) == title; }),
        "a click puts the caret in the title box", utf8(describe(focusOf(v.main))));
  auto reads = [&](HWND box, const std::wstring& want) {
    return becomes([&] { return textOf(box) == want; });
  };
  // Presses `keys`, types `text`, and checks that `box` then reads `want`.
  auto typed = [&](HWND box, const std::vector<std::string>& keys, const std::string& text,
                   const std::wstring& want, const std::string& what) {
    if (!keys.empty()) xdo.keys(keys);
    xdo.type(text);
    check(reads(box, want), what, shown(textOf(box)));
  };
  typed(title, {}, "News 7", L"News 7", "typed \"News 7\" reads \"News 7\"");
  typed(title, {"Home", "Right", "Right"}, "w", L"Newws 7",
        "a letter typed in the middle lands at the caret");
  typed(title, {"shift+End"}, "s!", L"News!", "text typed over a selection replaces it");
  typed(title, {"BackSpace", "End"}, " 9", L"News 9",
        "BackSpace and End then typing keep the caret");

  xdo.keys({"Home", "shift+End", "Delete"});
  typeJapanese(title, L"ニュース");
  check(reads(title, L"ニュース"), "Japanese text lands in order", shown(textOf(title)));
  xdo.keys({"Left", "Left"});
  xdo.type("7");
  if (!reads(title, L"ニュ7ース") && textOf(title) == L"ニュース")
    ::PostMessageW(title, WM_IME_CHAR, L'7', 1);
  check(reads(title, L"ニュ7ース"), "text typed after Japanese lands at the caret",
        shown(textOf(title)));

  // The time boxes (two digits each; entering one fills in the time of day).
  std::vector<HWND> times;
  for (HWND h : visibleEdits(v.main)) {
    const std::wstring t = textOf(h);
    if (t.size() == 2 && std::iswdigit(t[0]) && std::iswdigit(t[1])) times.push_back(h);
  }
  check(times.size() == 4, "the rule tab shows four time boxes", std::to_string(times.size()));
  if (!times.empty()) {
    HWND hour = times.back();
    xdo.click(hour);
    typed(hour, {"Home", "shift+End"}, "23", L"23", "typing 23 in a time box reads 23");
  }

  // The settings tab's folder box: End, then text goes after "未設定"; the model has it
  // too, since leaving the tab drops one trailing backslash.
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

// ---------------------------------------------------------------- keyboard

void keyboardTests(Varnolt& v, HWND tab) {
  say("# keyboard access");
  HWND first = nullptr;
  becomes([&] {
    first = focusOf(v.main);
    return first && classOf(first) == L"SysListView32";
  });
  check(first && classOf(first) == L"SysListView32" && currentPage(tab) == 0,
        "at start-up the recording list, the first control of the shown page, has the focus",
        utf8(describe(first)));

  // Ctrl+Tab walks all six pages and comes back; Ctrl+Shift+Tab walks back. The pages seen,
  // and whether each was the one wanted and shown.
  auto walkPages = [&](const std::string& key, int step) {
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
    return std::make_pair(all, seen);
  };
  const auto [forward, ahead] = walkPages("ctrl+Tab", 1);
  check(forward, "Ctrl+Tab walks the six pages in order and shows each", ahead);
  const auto [back, behind] = walkPages("ctrl+shift+Tab", -1);
  check(back, "Ctrl+Shift+Tab walks them backwards", behind);
  xdo.keys({"ctrl+Prior"});
  check(becomes([&] { return onPage(v, tab, 5); }), "Ctrl+PgUp from the first page wraps");
  xdo.keys({"ctrl+Next"});
  check(becomes([&] { return onPage(v, tab, 0); }), "Ctrl+PgDn from the last page wraps");
  HWND inPage = nullptr;
  becomes([&] {
    inPage = focusOf(v.main);
    return inPage && ::IsWindowVisible(inPage) && inPage != tab;
  });
  check(inPage && ::IsWindowVisible(inPage) && inPage != tab,
        "after a page change the focus is on a control of the shown page", utf8(describe(inPage)));

  // Shift+Tab from the first control of a page reaches the tab strip; Tab from the strip
  // goes back into the page, and a full round of Tab comes back to the strip.
  xdo.keys({"shift+Tab"});
  check(becomes([&] { return focusOf(v.main) == tab; }),
        "Shift+Tab from the list reaches the tab strip", utf8(describe(focusOf(v.main))));
  xdo.keys({"Tab"});
  check(becomes([&] { return focusOf(v.main) == inPage; }),
        "Tab from the tab strip enters the page", utf8(describe(focusOf(v.main))));
  int presses = 0;
  while (presses < 40 && focusOf(v.main) != tab) {
    focusAfter(v.main, {"Tab"});
    ++presses;
  }
  check(focusOf(v.main) == tab, "a round of Tab comes back to the tab strip",
        std::to_string(presses) + " presses");

  // The rule tab: Tab visits the controls top to bottom, left to right.
  xdo.keys({"ctrl+Tab"});  // the strip keeps the focus
  check(becomes([&] { return focusOf(v.main) == tab && currentPage(tab) == 1; }),
        "Ctrl+Tab on the tab strip shows the rule tab and keeps the strip focused");
  std::vector<HWND> order;
  HWND add = shownChild(v.main, L"Button", L"追加");
  for (int i = 0; i < 30; ++i) {
    HWND f = focusAfter(v.main, {"Tab"});
    if (!f || f == add || std::find(order.begin(), order.end(), f) != order.end()) {
      if (f == add) order.push_back(f);
      break;
    }
    order.push_back(f);
  }
  bool reading = order.size() >= 10;
  std::string walk;
  for (std::size_t i = 0; i < order.size(); ++i) {
    walk += utf8(describe(order[i])) + "; ";
    if (i == 0) continue;
    const RECT a = rectOf(order[i - 1]), b = rectOf(order[i]);
    const bool sameRow = b.top < (a.top + a.bottom) / 2 && a.top < (b.top + b.bottom) / 2;
    if (sameRow ? b.left <= a.left : b.top <= a.top) reading = false;
  }
  check(reading && !order.empty() && order.back() == add &&
            classOf(order.front()) == L"SysListView32",
        "on the rule tab Tab runs from the list top to bottom, left to right to 追加", walk);
  // Leaving 追加 hands the focus to the date picker.
  HWND picker = focusAfter(v.main, {"Tab"});
  check(picker && classOf(picker) == L"SysDateTimePick32",
        "leaving 追加 puts the focus on the date picker", utf8(describe(focusOf(v.main))));
  xdo.keys({"ctrl+Prior"});
  becomes([&] { return currentPage(tab) == 0; });
}

// ---------------------------------------------------------------- resizing

// Drags the window's lower right corner by (dx, dy) as a person does, each step taken
// when the program has followed the one before: the press starts the sizing, the
// release ends it with the window at its new size. `detail` tells what came instead.
bool dragCorner(HWND main, int dx, int dy, std::string* detail = nullptr) {
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
  if (detail) {
    const RECT now = rectOf(main);
    *detail = std::string(started ? "" : "the press started no sizing; ") + "the window is " +
              std::to_string(widthOf(now)) + "x" + std::to_string(heightOf(now)) + ", wanted " +
              std::to_string(widthOf(r) + dx) + "x" + std::to_string(heightOf(r) + dy);
  }
  if (done) return true;
  // Keep the later checks meaningful even when the drag was not taken.
  becomes([&] { return !sizing(); });
  ::SetWindowPos(main, nullptr, 0, 0, widthOf(r) + dx, heightOf(r) + dy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  becomes(reached);
  return false;
}

// Waits until the window's controls stay where they are (the program may still be
// working through the last moves of the drag).
void settle(HWND main) {
  auto places = [&] {
    std::vector<RECT> v;
    for (HWND h : children(main))
      if (::IsWindowVisible(h)) v.push_back(rectOf(h));
    return v;
  };
  std::vector<RECT> before = places();
  for (int i = 0; i < 20; ++i) {
    ::Sleep(200);
    std::vector<RECT> now = places();
    if (now.size() == before.size() &&
        std::memcmp(now.data(), before.data(), now.size() * sizeof(RECT)) == 0)
      return;
    before = std::move(now);
  }
}

// After a resize: no control covers another, and what the window shows is what a full
// repaint shows (nothing left behind where controls were).

void afterResize(HWND main, const std::string& when) {
  settle(main);
  const auto covered = coveredControls(main);
  check(covered.empty(), when + ": no control covers another",
        covered.empty() ? "" : covered.front() + " (" + std::to_string(covered.size()) + ")");
  xdo.parkMouse();
  const Shot shown = settledCapture(main);
  repaintAll(main);
  const std::string diff = compareShots(shown, settledCapture(main));
  check(diff.empty(), when + ": no stale pixels (screen = full repaint)", diff);
}

void resizeTests(Varnolt& v, HWND tab) {
  say("# resizing with the mouse");
  // The tab strip holds the focus, so that no caret blinks in the pictures; Ctrl+Tab
  // leaves it there.
  xdo.keys({"shift+Tab"});
  check(becomes([&] { return focusOf(v.main) == tab; }),
        "Shift+Tab puts the focus on the tab strip");
  const RECT design = rectOf(v.main);
  for (int k = 0; k < 6; ++k) {
    const std::string page = "page " + std::to_string(k);
    const auto covered = coveredControls(v.main);
    check(covered.empty(), page + " at design size: no control covers another",
          covered.empty() ? "" : covered.front());
    std::string drag;
    const bool grew = dragCorner(v.main, 60, 40, &drag);
    check(grew, page + ": dragging the corner enlarges the window by 60x40", drag);
    afterResize(v.main, page + " enlarged");
    const bool shrank = dragCorner(v.main, -60, -40, &drag);
    const RECT back = rectOf(v.main);
    check(shrank && ::EqualRect(&back, &design) != 0,
          page + ": dragging it back restores the design size", drag);
    afterResize(v.main, page + " shrunk back");
    xdo.keys({"ctrl+Tab"});
    becomes([&] { return onPage(v, tab, (k + 1) % 6); });
  }
  // Taller only, as a user first met it: the list must not grow over the remote.
  check(currentPage(tab) == 0, "back on the download tab");
  dragCorner(v.main, 0, 40);
  afterResize(v.main, "download tab 40 px taller");
  HWND stop = shownChild(v.main, L"Button", L"停止");
  HWND list = v.shownList();
  const RECT stopAt = stop ? rectOf(stop) : RECT{}, listAt = list ? rectOf(list) : RECT{};
  check(stop && list && stopAt.top >= listAt.bottom,
        "40 px taller: the remote's 停止 button stays below the list");
  dragCorner(v.main, 0, -40);
}

// ---------------------------------------------------------------- choosing and confirming

bool rowSelected(HWND list, int row) {
  return (sendTimed(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) &
          LVIS_SELECTED) != 0;
}

// Rows of the conversion list (ListView10 on page 2, the recording list's widget too): a
// click on a row's text selects the row, only a click on its box changes its check mark.
void listClicks(HWND list) {
  say("# clicks on a row of the conversion list");
  RECT name = remoteRect(list, LVM_GETSUBITEMRECT, 1, {LVIR_LABEL, 2, 0, 0});
  ::MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&name), 2);
  xdo.click(name.left + 16, (name.top + name.bottom) / 2);
  auto state = [&] {
    std::string s;
    for (int r = 0; r < 2; ++r)
      s += "row " + std::to_string(r + 1) + (rowSelected(list, r) ? " selected" : "") +
           (listChecked(list, r) ? " checked; " : " unchecked; ");
    return s;
  };
  check(
      rowSelected(list, 1) && !rowSelected(list, 0) && listChecked(list, 1) && listChecked(list, 0),
      "a click on row 2's file name selects the row and keeps its check mark", state());
  const RECT row = listItemRect(list, 1);
  xdo.click(row.left + 8, (row.top + row.bottom) / 2);
  check(!listChecked(list, 1) && listChecked(list, 0),
        "a click on row 2's box clears its check mark alone", state());
}

// Form3 for row 2 with `path` typed into Text1, reached with Tab, Tab; nullptr when it
// did not open.
HWND typedPathDialog(const Varnolt& v, HWND list, const std::wstring& path) {
  HWND dialog = openPathDialog(xdo, v, list, 1);
  HWND edit = dialog ? findChild(dialog, L"Edit", L"") : nullptr;
  if (!edit) return nullptr;
  xdo.keys({"Tab", "Tab"});
  typeJapanese(edit, path);
  return dialog;
}

void pathDialogKeys(const Varnolt& v, HWND list) {
  say("# the path entry dialog from the keyboard");
  HWND dialog = typedPathDialog(v, list, L"C:\\録画\\変換済み\\");
  check(dialog != nullptr, "\"変換先変更\" on row 2 opens the path entry dialog");
  if (!dialog) return;
  xdo.keys({"Return"});
  waitFor([&] { return !::IsWindow(dialog); }, 3000);
  check(!::IsWindow(dialog) && listText(list, 1, 5) == L"C:\\録画\\変換済み",
        "Enter in the typed path hands back C:\\録画\\変換済み for row 2",
        utf8(listText(list, 1, 5)));

  const std::wstring kept = listText(list, 1, 5);
  dialog = typedPathDialog(v, list, L"C:\\捨てる\\");
  if (!dialog) return;
  xdo.keys({"shift+Tab", "shift+Tab"});
  const std::string focus = utf8(textOf(focusOf(dialog)));
  xdo.keys({"Return"});
  waitFor([&] { return !::IsWindow(dialog); }, 3000);
  check(!::IsWindow(dialog) && listText(list, 1, 5) == kept,
        "Enter on キャンセル closes the dialog and drops the typed path",
        "focus on \"" + focus + "\", row 2: " + utf8(listText(list, 1, 5)));

  dialog = typedPathDialog(v, list, L"C:\\捨てる\\");
  if (!dialog) return;
  xdo.keys({"Tab", "Return"});
  HWND browser = v.folderBrowser(10000);
  check(browser && ::IsWindow(dialog), "Enter on 参照 opens the folder browser over the dialog");
  if (browser) {
    xdo.keys({"Escape"});
    waitFor([&] { return !::IsWindow(browser); }, 5000);
  }
  xdo.keys({"Escape"});
  waitFor([&] { return !::IsWindow(dialog); }, 3000);
  check(!::IsWindow(dialog) && listText(list, 1, 5) == kept,
        "Esc closes the dialog and drops the typed path", utf8(listText(list, 1, 5)));
}

// The end-of-work choices on the settings tab: the arrow keys choose, in reading order
// (5 6 7 8, then 0 2 1 3 4), round at both ends; the group is one tab stop.
void optionArrows(const Varnolt& v, HWND tab) {
  say("# arrow keys in the end-of-work choices");
  while (currentPage(tab) != 4) xdo.keys({"ctrl+Tab"});
  static const wchar_t* const captions[] = {L"サスペンド",
                                            L"休止状態",
                                            L"ログオフ",
                                            L"リブート",
                                            L"シャットダウン",
                                            L"何もしない",
                                            L"本ソフトのみ終了する",
                                            L"ﾛｸﾗｸ・ｺﾝﾄﾛｰﾗを終了する",
                                            L"本ソフトとﾛｸﾗｸ・ｺﾝﾄﾛｰﾗを終了する"};
  HWND option[9];
  for (int k = 0; k < 9; ++k) option[k] = shownChild(v.main, L"Button", captions[k]);
  // The one chosen (shown checked) option, -1 for none or several; "*" when the focus is
  // elsewhere.
  auto chosen = [&] {
    int found = -1, n = 0;
    for (int k = 0; k < 9; ++k)
      if (buttonChecked(option[k])) {
        found = k;
        ++n;
      }
    if (n != 1) return std::string("-1");
    return std::to_string(found) + (focusOf(v.main) == option[found] ? "" : "*");
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
  check(
      std::find(std::begin(option), std::end(option), away) == std::end(option) && chosen() == "3",
      "the group is one tab stop: Tab leaves it, Shift+Tab comes back to リブート",
      utf8(describe(away)) + "; back on " + chosen());
}

// ---------------------------------------------------------------- whole captions

// The UI font as the program picks it: a proportional Japanese UI face at 9 points when
// one is installed, else the system's message font. (Font handles do not cross
// processes; `fontConfirmed` checks this against the pixels on the screen.)
int CALLBACK fontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

LOGFONTW uiFont(int dpi) {
  NONCLIENTMETRICSW ncm{};
  ncm.cbSize = sizeof ncm;
  ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
  LOGFONTW lf = ncm.lfMessageFont;
  for (const wchar_t* face : {L"MS UI Gothic", L"IPAPGothic"}) {
    LOGFONTW probe{};
    probe.lfCharSet = DEFAULT_CHARSET;
    ::lstrcpynW(probe.lfFaceName, face, LF_FACESIZE);
    bool found = false;
    HDC dc = ::GetDC(nullptr);
    ::EnumFontFamiliesExW(dc, &probe, fontFound, reinterpret_cast<LPARAM>(&found), 0);
    ::ReleaseDC(nullptr, dc);
    if (!found) continue;
    ::lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
    lf.lfCharSet = SHIFTJIS_CHARSET;
    lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    break;
  }
  lf.lfHeight = -::MulDiv(9, dpi, 72);
  lf.lfWidth = 0;
  lf.lfWeight = FW_NORMAL;
  lf.lfItalic = FALSE;
  return lf;
}

SIZE textSize(const LOGFONTW& lf, const std::wstring& text, int* lineHeight = nullptr) {
  HFONT font = ::CreateFontIndirectW(&lf);
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, font);
  RECT need{0, 0, 0, 0};
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &need, DT_CALCRECT | DT_SINGLELINE);
  TEXTMETRICW tm{};
  ::GetTextMetricsW(dc, &tm);
  if (lineHeight) *lineHeight = tm.tmHeight;
  ::SelectObject(dc, old);
  ::DeleteObject(font);
  ::DeleteDC(dc);
  return {need.right, need.bottom};
}

// The ink of a label's text on the screen spans what the font measures.
bool fontConfirmed(HWND label, const LOGFONTW& lf, std::string& detail) {
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
  const SIZE want = textSize(lf, textOf(label));
  const int ink = first < 0 ? 0 : last - first + 1;
  detail = "ink " + std::to_string(ink) + " px, the font measures " + std::to_string(want.cx);
  return ink > 0 && std::abs(ink - want.cx) <= 3;
}

// The room a caption needs in its control, measured with the control's own font; empty
// when it fits. Buttons keep an edge and a focus margin, check boxes and option buttons
// their box, labels and frame captions one line.
std::string captionMisfit(HWND h, int dpi) {
  const std::wstring cls = classOf(h);
  const std::wstring text = textOf(h);
  if (text.empty()) return {};
  const LONG style = ::GetWindowLongW(h, GWL_STYLE);
  int margin = 0, minHeight = 0;
  if (cls == L"Button") {
    const LONG type = style & BS_TYPEMASK;
    if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)
      margin = ::MulDiv(10, dpi, 96);
    else if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
             type == BS_AUTORADIOBUTTON)
      margin = ::MulDiv(13 + 6, dpi, 96);
    else
      return {};
  } else if (cls == L"Static") {
    const LONG type = style & SS_TYPEMASK;
    if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP)
      return {};
  } else if (cls == L"VarnoltPanel") {
    margin = ::MulDiv(16, dpi, 96);  // the frame's caption starts one character in
  } else {
    return {};
  }
  const SIZE need = textSize(uiFont(dpi), text, &minHeight);
  RECT client{};
  ::GetClientRect(h, &client);
  if (need.cx + margin > client.right || (cls != L"VarnoltPanel" && minHeight > client.bottom))
    return "needs " + std::to_string(need.cx + margin) + "x" + std::to_string(minHeight) +
           ", has " + std::to_string(client.right) + "x" + std::to_string(client.bottom);
  return {};
}

// Every caption of the visible controls of `root` is whole.
void wholeCaptions(HWND root, const std::string& where, int dpi) {
  std::string bad;
  int n = 0;
  for (HWND h : children(root)) {
    if (!::IsWindowVisible(h)) continue;
    const std::string misfit = captionMisfit(h, dpi);
    if (misfit.empty()) continue;
    ++n;
    if (bad.size() < 400)
      bad.append("\"").append(utf8(textOf(h))).append("\" ").append(misfit).append("; ");
  }
  check(n == 0, where + ": every caption is whole", std::to_string(n) + " clipped: " + bad);
}

// A column holds its widest known text.
void columnFits(HWND list, int column, const std::wstring& text, const std::string& what, int dpi) {
  const int need = textSize(uiFont(dpi), text).cx + 12;  // the list's own cell margins
  const auto width = static_cast<int>(sendTimed(list, LVM_GETCOLUMNWIDTH, column));
  check(need > 0 && need <= width, what,
        "needs " + std::to_string(need) + ", has " + std::to_string(width));
}

// Ctrl+Tab until the download tab is up, each page waited for.
void toFirstPage(const Varnolt& v, HWND tab) {
  for (int i = 0; i < 6 && currentPage(tab) != 0; ++i) {
    const int next = (currentPage(tab) + 1) % 6;
    xdo.keys({"ctrl+Tab"});
    becomes([&] { return onPage(v, tab, next); });
  }
}

// A long log: the box, which takes it a slice at a time, comes to hold all of it in its
// order.
void longLogTest(const Env& env) {
  const std::wstring folder = installVarnolt(env, L"長いログ");
  std::wstring file, body;
  for (int i = 0; i < 3000; ++i) {
    const std::wstring line = L"2026/01/01   00:00:00   作業" + std::to_wstring(i);
    file += line + L"\r\n";
    body += L"\r\n" + line;
  }
  writeFile(joinPath(folder, L"log.ini"), cp932(file));
  Varnolt v(folder);
  HWND box = v.main ? v.logBox() : nullptr;
  check(box && v.selectTab(3), "the log tab opens with a 3,000-line log");
  if (!box) return;
  // The start line, the empty line that parts the runs, then the file's lines.
  const std::wstring want = L"\r\n" + body;
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

}  // namespace

void realInputTests(const Env& env) {
  say("# real input (xdotool)");
  check(xdo.available() && xdo.run({"version"}), "xdotool answers through the input folder");
  if (!xdo.available()) return;
  const std::wstring folder = installVarnolt(env, L"実入力");
  {
    Varnolt v(folder);
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
    const std::wstring chosenFolder = installVarnolt(env, L"選択と確定");
    std::vector<std::wstring> files;
    for (const wchar_t* name : {L"ニュース.m2t", L"ドラマ 第1話.m2t"}) {
      files.push_back(joinPath(chosenFolder, name));
      writeFile(files.back(), "m2t");
    }
    Varnolt v(chosenFolder);
    if (!v.opened("the main window opens for the lists and choices")) return;
    HWND tab = v.tabs();
    xdo.keys({"ctrl+Tab", "ctrl+Tab"});
    HWND list = v.shownList();
    check(list && sendFileDrop(list, files) && listCount(list) == 2,
          "two files dropped on the conversion list make two rows");
    if (!list || listCount(list) != 2) return;
    listClicks(list);
    pathDialogKeys(v, list);
    optionArrows(v, tab);
  }
  longLogTest(env);
}

namespace {

// The screen's DPI for programs started while it lives, as the desktop settings hold it.
class ScreenDpi {
 public:
  explicit ScreenDpi(int dpi) {
    ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS,
                      nullptr, key_.put(), nullptr);
    DWORD size = sizeof old_, value = static_cast<DWORD>(dpi);
    hadOld_ = ::RegQueryValueExW(key_.get(), L"LogPixels", nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(&old_), &size) == ERROR_SUCCESS;
    set(value);
  }
  ~ScreenDpi() {
    if (hadOld_)
      set(old_);
    else
      ::RegDeleteValueW(key_.get(), L"LogPixels");
  }
  ScreenDpi(const ScreenDpi&) = delete;
  ScreenDpi& operator=(const ScreenDpi&) = delete;

 private:
  void set(DWORD value) {
    ::RegSetValueExW(key_.get(), L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                     sizeof value);
  }
  varnolt::win32::UniqueKey key_;
  DWORD old_ = 96;
  bool hadOld_ = false;
};

}  // namespace

void dpiScreenshots(const Env& env, int dpi) {
  const std::string at = std::to_string(dpi) + " DPI";
  say("# screenshots at " + at);
  const std::wstring folder = installVarnolt(env, L"dpi" + std::to_wstring(dpi));
  const std::wstring suffix = dpi == 96 ? L"" : L"-" + std::to_wstring(dpi) + L"dpi";
  ScreenDpi screen(dpi);
  Varnolt v(folder);
  if (!v.opened("the main window opens at " + at)) return;
  xdo.bringToFront(v.main);
  HWND tab = v.tabs();
  // The design client area, 10410 twips wide, at this DPI.
  RECT client{};
  ::GetClientRect(v.main, &client);
  check(client.right == ::MulDiv(10410, dpi, 1440), "the client area is the design width at " + at,
        std::to_string(client.right));
  std::string detail;
  HWND status = shownChild(v.main, L"Static", kStarted);
  check(status && becomes([&] { return fontConfirmed(status, uiFont(dpi), detail); }),
        at + ": the status line is drawn in the UI font", detail);
  // The tab strip holds the focus: no caret in the pictures.
  xdo.keys({"shift+Tab"});
  becomes([&] { return focusOf(v.main) == tab; });
  for (int k = 0; k < 6; ++k) {
    const std::string page = at + ": page " + std::to_string(k);
    if (k > 0) xdo.keys({"ctrl+Tab"});
    check(becomes([&] { return onPage(v, tab, k); }), page + " is shown");
    const auto covered = coveredControls(v.main);
    check(covered.empty(), page + ": no control covers another",
          covered.empty() ? "" : covered.front());
    wholeCaptions(v.main, page, dpi);
    if (k == 1)
      columnFits(v.shownList(), 2, L"日月火水木金土", at + ": the 毎週 column holds seven days",
                 dpi);
    xdo.parkMouse();
    repaintAll(v.main);
    settledCapture(v.main);
    if (!env.shots.empty())
      saveBitmap(v.main, joinPath(env.shots, L"tab" + std::to_wstring(k) + suffix + L".bmp"));
  }
  // The version dialog from the keyboard: Alt+H, V.
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

}  // namespace winetest
