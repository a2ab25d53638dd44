// Model to window: every change of a control's model is mirrored in its window at once.
#include "gui/win32/widgets.hpp"

#include <commctrl.h>

#include <algorithm>

namespace varnolt::gui {

using namespace controls;
using win32::narrow;
using win32::widen;

namespace {

std::wstring windowTextW(HWND h) {
  const int n = ::GetWindowTextLengthW(h);
  std::wstring w(static_cast<std::size_t>(n) + 1, L'\0');
  const int got = ::GetWindowTextW(h, w.data(), n + 1);
  w.resize(static_cast<std::size_t>(std::max(0, got)));
  return w;
}

// Mirrors a model's text. A widget that already shows the text is left alone: its own
// change came back through the model, and writing it again would put the caret at the
// start. An edit control the user is in keeps its caret and selection when the model
// changes the text.
void showText(HWND h, const std::string& text, bool isEdit) {
  const std::wstring want = widen(text);
  if (windowTextW(h) == want) return;
  DWORD from = 0, to = 0;
  const bool editing = isEdit && ::GetFocus() == h;
  if (editing)
    ::SendMessageW(h, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  ::SetWindowTextW(h, want.c_str());
  if (editing) {
    const auto n = static_cast<DWORD>(::GetWindowTextLengthW(h));
    ::SendMessageW(h, EM_SETSEL, std::min(from, n), std::min(to, n));
  }
}

// A multi-line box takes its text this many lines at a time: the first slice fills any
// box on any screen, and laying out one slice keeps the program from input only briefly.
constexpr int kSliceLines = 256;

// Where the first slice of `text` ends: after its kSliceLines-th line end, or at its end.
std::size_t sliceEnd(std::wstring_view text) {
  std::size_t at = 0;
  for (int n = 0; n < kSliceLines; ++n) {
    at = text.find(L'\n', at);
    if (at == std::wstring_view::npos) return text.size();
    ++at;
  }
  return at;
}

// `text` ends with `tail`.
bool endsWith(std::wstring_view text, std::wstring_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// Characters of the model's selection to UTF-16 positions.
int utf16Index(const std::string& utf8, int chars) {
  int units = 0;
  std::size_t i = 0;
  for (int k = 0; k < chars && i < utf8.size(); ++k) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    const std::size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    units += len == 4 ? 2 : 1;
    i += len;
  }
  return units;
}

}  // namespace

const std::string& WidgetHost::captionOf(const Control& c) {
  static const std::string none;
  using Text = const std::string&;
  return visit(c, Overloaded{[](const Button& b) -> Text { return b.caption(); },
                             [](const CheckBox& b) -> Text { return b.caption(); },
                             [](const OptionButton& b) -> Text { return b.caption(); },
                             [](const Label& l) -> Text { return l.caption(); },
                             [](const Frame& f) -> Text { return f.caption(); },
                             [](const TextBox& t) -> Text { return t.text(); },
                             [](const Control&) -> Text { return none; }});
}

std::string WidgetHost::windowText(HWND h) {
  return narrow(windowTextW(h));
}

void WidgetHost::subscribe(Widget& w) {
  std::weak_ptr<bool> alive = alive_;
  Widget* target = &w;
  w.control->subscribe([this, alive, target](Control&, Property property) {
    auto a = alive.lock();
    if (a && *a) update(*target, property);
  });
}

void WidgetHost::update(Widget& w, Property property) {
  Control& c = *w.control;
  if (auto* timer = as<controls::Timer>(&c)) {
    syncTimer(w, *timer);
    return;
  }
  if (!w.made && property == Property::Visible && c.visible()) {
    // Shown before it was made: made now, with whatever it holds, if its page is in sight.
    const auto [tab, page] = pageOf(w);
    if (!tab || (tab->hwnd && page == tabModel(*tab).tab())) {
      const Widget* target = &w;
      materialize([target](const Widget& x) {
        for (const Widget* o = &x; o; o = o->owner)
          if (o == target) return true;  // the control and what it holds
        return false;
      });
    }
    return;
  }
  if (!w.hwnd) return;
  const bool wasSyncing = syncing_;
  syncing_ = true;
  if (property == Property::Enabled) {
    ::EnableWindow(w.hwnd, c.enabled());
    if (c.kind() == Kind::Frame) ::InvalidateRect(w.hwnd, nullptr, TRUE);
  } else if (property == Property::Visible) {
    ::ShowWindow(w.hwnd, c.visible() ? SW_SHOWNA : SW_HIDE);
  } else if (property == Property::Rect) {
    place(w);
    if (c.kind() == Kind::TabControl) layoutPages(w);
  } else if (auto* box = as<TextBox>(&c); box && box->multiLine() && property == Property::Text) {
    showLongText(w);
  } else if (property == Property::Caption ||
             (property == Property::Text && c.kind() == Kind::TextBox)) {
    showText(w.hwnd, captionOf(c), c.kind() == Kind::TextBox);
  } else if (auto* t = as<TextBox>(&c); t && property == Property::Selection) {
    const int from = utf16Index(t->text(), t->selStart);
    const int to = utf16Index(t->text(), t->selStart + t->selLength);
    ::SendMessageW(w.hwnd, EM_SETSEL, from, to);
  } else {
    // The properties of one kind: a check, rows, a range, panels, the shown tab, a date.
    visit(
        c,
        Overloaded{
            [&](CheckBox& b) { ::SendMessageW(w.hwnd, BM_SETCHECK, b.value(), 0); },
            [&](OptionButton& b) {
              ::SendMessageW(w.hwnd, BM_SETCHECK, b.value() ? BST_CHECKED : BST_UNCHECKED, 0);
            },
            [&](ListView&) {
              if (fromList_) return;
              if (property == Property::Items)
                syncList(w);
              else
                syncListStates(w);
            },
            [&](Slider& s) {
              ::SendMessageW(w.hwnd, TBM_SETRANGEMIN, FALSE, s.min());
              ::SendMessageW(w.hwnd, TBM_SETRANGEMAX, TRUE, s.max());
              ::SendMessageW(w.hwnd, TBM_SETTICFREQ, static_cast<WPARAM>(s.tickFrequency()), 0);
              ::SendMessageW(w.hwnd, TBM_SETPOS, TRUE, s.value());
            },
            [&](ProgressBar& p) { syncProgress(w, p); }, [&](StatusBar& sb) { syncStatus(w, sb); },
            [&](TabControl& tab) {
              ::SendMessageW(w.hwnd, TCM_SETCURSEL, tab.tab(), 0);
              showPage(w);
            },
            [&](DatePicker& d) {
              SYSTEMTIME st{};
              st.wYear = static_cast<WORD>(d.value().year);
              st.wMonth = static_cast<WORD>(d.value().month);
              st.wDay = static_cast<WORD>(d.value().day);
              ::SendMessageW(w.hwnd, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
            },
            [](Control&) {}});
  }
  syncing_ = wasSyncing;
}

void WidgetHost::showLongText(Widget& w) {
  const auto* box = as<TextBox>(w.control);
  if (!box || !box->multiLine()) return;
  HWND h = w.hwnd;
  const std::wstring want = widen(box->text());
  const std::wstring shown = windowTextW(h);
  const std::wstring_view known =
      std::wstring_view(want).substr(0, want.size() - std::min(want.size(), w.pending.size()));
  const bool pendingKept = endsWith(want, w.pending);
  const bool wasSyncing = syncing_;
  syncing_ = true;
  DWORD from = 0, to = 0;
  const bool editing = ::GetFocus() == h;
  if (editing)
    ::SendMessageW(h, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  if (pendingKept && known == shown) {
    // Nothing new.
  } else if (pendingKept && !shown.empty() && endsWith(known, shown)) {
    // Lines put in front (the log's newest on top): only they are laid out. The caret
    // and the view go to the start, as when the whole text is set.
    const std::wstring front(known.substr(0, known.size() - shown.size()));
    ::SendMessageW(h, EM_SETSEL, 0, 0);
    ::SendMessageW(h, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(front.c_str()));
    ::SendMessageW(h, EM_SETSEL, 0, 0);
    ::SendMessageW(h, EM_SCROLLCARET, 0, 0);
  } else if (!shown.empty() && want.compare(0, shown.size(), shown) == 0) {
    // The window holds the start of the text: the rest follows.
    w.pending = want.substr(shown.size());
  } else {
    const std::size_t cut = sliceEnd(want);
    ::SetWindowTextW(h, want.substr(0, cut).c_str());
    w.pending = want.substr(cut);
  }
  if (editing) {
    const auto n = static_cast<DWORD>(::GetWindowTextLengthW(h));
    ::SendMessageW(h, EM_SETSEL, std::min(from, n), std::min(to, n));
  }
  syncing_ = wasSyncing;
  if (!w.pending.empty()) scheduleBuild();
}

void WidgetHost::appendSlice(Widget& w) {
  HWND h = w.hwnd;
  const std::size_t cut = sliceEnd(w.pending);
  const std::wstring part = w.pending.substr(0, cut);
  w.pending.erase(0, cut);
  const bool wasSyncing = syncing_;
  syncing_ = true;
  DWORD from = 0, to = 0;
  ::SendMessageW(h, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  const auto first = ::SendMessageW(h, EM_GETFIRSTVISIBLELINE, 0, 0);
  {
    // The user's selection and view stay as they are while the text grows below them.
    DrawingOff quiet(h);
    const auto n = ::GetWindowTextLengthW(h);
    ::SendMessageW(h, EM_SETSEL, n, n);
    ::SendMessageW(h, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(part.c_str()));
    ::SendMessageW(h, EM_SETSEL, from, to);
    ::SendMessageW(h, EM_LINESCROLL, 0, first - ::SendMessageW(h, EM_GETFIRSTVISIBLELINE, 0, 0));
  }
  // The scroll bar shows the longer text.
  if (::IsWindowVisible(h)) ::RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
  syncing_ = wasSyncing;
}

void WidgetHost::syncStatus(Widget& w, const StatusBar& sb) {
  std::vector<int> edges;
  int right = 0;
  for (std::size_t i = 1; i <= sb.panelCount(); ++i) {
    right += px(sb.panelWidth(i));
    edges.push_back(i == sb.panelCount() ? -1 : right);
  }
  ::SendMessageW(w.hwnd, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
  for (std::size_t i = 1; i <= sb.panelCount(); ++i)
    ::SendMessageW(w.hwnd, SB_SETTEXTW, i - 1,
                   reinterpret_cast<LPARAM>(widen(sb.panel(i)).c_str()));
}

void WidgetHost::syncProgress(Widget& w, const ProgressBar& p) {
  const float span = p.max() - p.min();
  const int pos = span > 0 ? static_cast<int>((p.value() - p.min()) / span * 10000.0f) : 0;
  ::SendMessageW(w.hwnd, PBM_SETPOS, std::clamp(pos, 0, 10000), 0);
}

void WidgetHost::syncTimer(Widget& w, const controls::Timer& t) {
  ::KillTimer(top_, static_cast<UINT_PTR>(w.id));
  if (t.enabled() && t.interval() > 0)
    ::SetTimer(top_, static_cast<UINT_PTR>(w.id), static_cast<UINT>(t.interval()), nullptr);
}

}  // namespace varnolt::gui
