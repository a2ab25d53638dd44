#include "gui/win32/widgets.hpp"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>

namespace varnolt::gui {

using namespace controls;
using win32::narrow;
using win32::widen;

namespace {

// The drop of shell files on a list: every path, in the order the drop lists them.
LRESULT CALLBACK dropProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                          DWORD_PTR data) {
  if (msg == WM_DROPFILES) {
    static const auto query =
        win32::lateBound<decltype(&::DragQueryFileW)>(L"shell32.dll", "DragQueryFileW");
    static const auto finish =
        win32::lateBound<decltype(&::DragFinish)>(L"shell32.dll", "DragFinish");
    if (!query || !finish) return 0;
    HDROP drop = reinterpret_cast<HDROP>(wParam);
    std::vector<std::string> paths;
    const UINT n = query(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < n; ++i) {
      std::wstring path(query(drop, i, nullptr, 0) + 1, L'\0');
      const UINT len = query(drop, i, path.data(), static_cast<UINT>(path.size()));
      path.resize(len);
      paths.push_back(win32::narrow(path));
    }
    finish(drop);
    reinterpret_cast<ListView*>(data)->drop(paths);
    return 0;
  }
  if (msg == WM_NCDESTROY) ::RemoveWindowSubclass(h, dropProc, id);
  return ::DefSubclassProc(h, msg, wParam, lParam);
}

constexpr wchar_t kPanelClass[] = L"VarnoltPanel";
constexpr int kFirstId = 100;
// Panel window extra bytes: its look, and the font it draws a frame caption with.
constexpr int kPanelLook = 0;
constexpr int kPanelFont = sizeof(LONG_PTR);
enum PanelLook : LONG_PTR { kPlain = 0, kGroupBox = 1 };

void paintGroupBox(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(hwnd, &ps);
  RECT r;
  ::GetClientRect(hwnd, &r);
  auto font = reinterpret_cast<HFONT>(::GetWindowLongPtrW(hwnd, kPanelFont));
  HGDIOBJ old = font ? ::SelectObject(dc, font) : nullptr;
  TEXTMETRICW tm;
  ::GetTextMetricsW(dc, &tm);
  RECT edge = r;
  edge.top += tm.tmHeight / 2;
  ::DrawEdge(dc, &edge, EDGE_ETCHED, BF_RECT);
  wchar_t text[256];
  const int n = ::GetWindowTextW(hwnd, text, 256);
  if (n > 0) {
    ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
    ::SetTextColor(dc, ::GetSysColor(::IsWindowEnabled(hwnd) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    ::SetBkMode(dc, OPAQUE);
    RECT t{tm.tmAveCharWidth, 0, r.right - tm.tmAveCharWidth, tm.tmHeight};
    ::DrawTextW(dc, text, n, &t, DT_SINGLELINE | DT_LEFT | DT_TOP);
  }
  if (old) ::SelectObject(dc, old);
  ::EndPaint(hwnd, &ps);
}

LRESULT CALLBACK panelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case kMsgChildPressed:
      // The top-level window owns every handler.
      return ::SendMessageW(::GetAncestor(hwnd, GA_ROOT), msg, wParam, lParam);
    case WM_PARENTNOTIFY:
      if (LOWORD(wParam) == WM_LBUTTONDOWN) {
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        HWND child = ::ChildWindowFromPointEx(hwnd, pt, CWP_SKIPINVISIBLE);
        if (child && child != hwnd)
          ::SendMessageW(::GetAncestor(hwnd, GA_ROOT), kMsgChildPressed,
                         reinterpret_cast<WPARAM>(child), 0);
      }
      return 0;
    case WM_SETFONT:
      ::SetWindowLongPtrW(hwnd, kPanelFont, static_cast<LONG_PTR>(wParam));
      if (lParam) ::InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return ::GetWindowLongPtrW(hwnd, kPanelFont);
    case WM_SETTEXT: {
      LRESULT r = ::DefWindowProcW(hwnd, msg, wParam, lParam);
      ::InvalidateRect(hwnd, nullptr, TRUE);
      return r;
    }
    case WM_PAINT:
      if (::GetWindowLongPtrW(hwnd, kPanelLook) == kGroupBox) {
        paintGroupBox(hwnd);
        return 0;
      }
      break;
    default:
      break;
  }
  return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

// Created where it belongs: a window created empty and then moved and resized costs
// a second round of size messages and a repaint.
HWND makeWindow(DWORD exStyle, const wchar_t* cls, const std::string& text, DWORD style,
                HWND parent, int id, const RECT& at = {}) {
  return ::CreateWindowExW(exStyle, cls, widen(text).c_str(), style | WS_CHILD, at.left, at.top,
                           at.right - at.left, at.bottom - at.top, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           ::GetModuleHandleW(nullptr), nullptr);
}

// Where a tab control's pages go: its client area below the tabs (empty, never
// inverted, when the control is too small for any).
RECT pageArea(HWND tab) {
  RECT r;
  ::GetClientRect(tab, &r);
  ::SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
  r.right = std::max(r.left, r.right);
  r.bottom = std::max(r.top, r.bottom);
  return r;
}

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

std::string windowText(HWND h) {
  return narrow(windowTextW(h));
}

// The text a control's window shows: its caption, a text box's text; "" for the others.
const std::string& captionOf(const Control& c) {
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

void registerPanelClass(HINSTANCE instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  // A frame draws its border along its edges: a size change repaints all of it.
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = panelProc;
  wc.cbWndExtra = 2 * sizeof(LONG_PTR);
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kPanelClass;
  ::RegisterClassExW(&wc);
}

WidgetHost::WidgetHost(HWND top, std::vector<Control*> controls, Finder find, HICON pictureIcon)
    : top_(top),
      controls_(std::move(controls)),
      find_(std::move(find)),
      pictureIcon_(pictureIcon) {}

WidgetHost::~WidgetHost() {
  *alive_ = false;
  for (auto& w : widgets_)
    if (w->control->kind() == Kind::Timer) ::KillTimer(top_, static_cast<UINT_PTR>(w->id));
}

void WidgetHost::build(int dpi, HFONT font) {
  dpi_ = dpi;
  font_ = font;
  for (Control* c : controls_)
    if (c->kind() != Kind::MenuItem) ensure(*c);
  // The pages out of sight and the hidden controls wait for finish(): creating every
  // window of six pages costs more than everything else the start-up does.
  materialize([this](const Widget& w) {
    const auto [tab, page] = pageOf(w);
    return w.control->visible() && (!tab || page == tabModel(*tab).tab());
  });
  for (auto& w : widgets_)
    if (w->control->kind() == Kind::TabControl && w->hwnd) showPage(*w);
}

HWND WidgetHost::pageWindow(const Widget& tab, int page) {
  const auto i = static_cast<std::size_t>(std::max(0, page));
  auto& pages = tab.pages;
  if (!tab.hwnd || i >= pages.size()) return nullptr;
  if (pages[i]) return pages[i];
  pages[i] = makeWindow(WS_EX_CONTROLPARENT, kPanelClass, "", WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                        tab.hwnd, 0, pageArea(tab.hwnd));
  // Pages lie in the order of their tabs, whichever was made first.
  HWND after = HWND_TOP;
  for (std::size_t k = 0; k < i; ++k)
    if (pages[k]) after = pages[k];
  ::SetWindowPos(pages[i], after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ::SendMessageW(pages[i], WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  return pages[i];
}

void WidgetHost::finish() {
  materialize([](const Widget&) { return true; });
  // Every page exists once the start-up is over, with or without windows on it.
  for (auto& w : widgets_)
    for (std::size_t i = 0; i < w->pages.size(); ++i) pageWindow(*w, static_cast<int>(i));
  addToolTips();
}

std::pair<const WidgetHost::Widget*, int> WidgetHost::pageOf(const Widget& w) const {
  for (const Widget* x = &w; x; x = x->owner)
    if (x->tabOwner) return {x->tabOwner, std::max(0, x->control->tab)};
  return {nullptr, 0};
}

void WidgetHost::materialize(const std::function<bool(const Widget&)>& wanted) {
  // Containers come before their contents in widgets_, so each parent exists in time.
  for (auto& p : widgets_) {
    Widget& w = *p;
    // Nothing goes into a container that waits.
    if (w.made || (w.owner && !w.owner->made) || !wanted(w)) continue;
    w.made = true;
    w.parent = w.tabOwner                 ? pageWindow(*w.tabOwner, w.control->tab)
               : w.owner && w.owner->hwnd ? w.owner->hwnd
                                          : top_;
    create(w);
    if (!w.hwnd) continue;
    keepOrder(w);
    visit(*w.control,
          Overloaded{// Where its pages start, for the controls on them.
                     [&](TabControl&) { layoutPages(w); },
                     // Docks itself.
                     [&](StatusBar&) { place(w); },
                     // Made empty, see create().
                     [&](Line&) { place(w); }, [&](Picture&) { place(w); },
                     // Set by the program before the box existed.
                     [&](TextBox&) { update(w, Property::Selection); }, [](Control&) {}});
  }
}

void WidgetHost::keepOrder(const Widget& w) {
  // A window made after siblings that follow it in the form goes where it would have been
  // had it been made in order: the order of the windows is the order of the controls.
  const auto at =
      std::find_if(widgets_.begin(), widgets_.end(), [&w](const auto& x) { return x.get() == &w; });
  const bool laterMade = std::any_of(std::next(at), widgets_.end(), [&w](const auto& x) {
    return x->hwnd && x->parent == w.parent;
  });
  if (!laterMade) return;
  HWND after = HWND_TOP;
  for (auto it = widgets_.begin(); it != at; ++it)
    if ((*it)->hwnd && (*it)->parent == w.parent) after = (*it)->hwnd;
  ::SetWindowPos(w.hwnd, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void WidgetHost::addToolTips() {
  for (auto& w : widgets_) {
    if (!w->hwnd || w->control->toolTipText.empty()) continue;
    if (!toolTip_) {
      toolTip_.reset(::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                       WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                       CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, top_, nullptr,
                                       ::GetModuleHandleW(nullptr), nullptr));
      if (!toolTip_) return;
    }
    std::wstring text = widen(w->control->toolTipText);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = w->parent;
    tool.uId = reinterpret_cast<UINT_PTR>(w->hwnd);
    tool.lpszText = text.data();
    ::SendMessageW(toolTip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void WidgetHost::rescale(int dpi, HFONT font) {
  dpi_ = dpi;
  font_ = font;
  for (auto& w : widgets_) {
    if (!w->hwnd) continue;
    ::SendMessageW(w->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    for (HWND p : w->pages)
      if (p) ::SendMessageW(p, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  }
  for (auto& w : widgets_) {
    place(*w);
    if (w->control->kind() == Kind::ListView) syncColumns(*w);
    if (auto* sb = as<StatusBar>(w->control)) syncStatus(*w, *sb);
  }
}

WidgetHost::Widget& WidgetHost::ensure(Control& c) {
  for (auto& w : widgets_)
    if (w->control == &c) return *w;
  auto w = std::make_unique<Widget>();
  w->control = &c;
  // The container first: it is the parent window.
  w->parent = top_;
  if (!c.container.empty()) {
    if (Control* container = find_(c.container)) {
      Widget& owner = ensure(*container);
      w->owner = &owner;
      if (auto* tab = as<TabControl>(owner.control); tab && !tab->captions().empty())
        w->tabOwner = &owner;
    }
  }
  w->id = kFirstId + static_cast<int>(widgets_.size());
  widgets_.push_back(std::move(w));
  Widget& ref = *widgets_.back();
  // The window comes with materialize(); until then the model's changes wait in the
  // model, and the window is created from its state.
  subscribe(ref);
  return ref;
}

void WidgetHost::create(Widget& w) {
  Control& c = *w.control;
  const std::string& caption = captionOf(c);
  const DWORD visible = c.visible() ? WS_VISIBLE : 0;
  const DWORD disabled = c.enabled() ? 0 : WS_DISABLED;
  const DWORD base = visible | disabled;
  // Lines and pictures size themselves as they are made (an etched line by its edge, an
  // icon to the icon's size): they are made empty and then placed, as the form sets them.
  const bool placedAfter = c.kind() == Kind::Line || c.kind() == Kind::Picture;
  const RECT at = placedAfter ? RECT{} : placeOf(w);
  auto make = [&](DWORD exStyle, const wchar_t* cls, const std::string& text, DWORD style) {
    return makeWindow(exStyle, cls, text, style, w.parent, w.id, at);
  };
  // Every kind is named here: a new kind has to say what window it gets.
  HWND h = visit(
      c,
      Overloaded{
          [&](Button& b) {
            // Only a button with a lost-focus handler asks for focus notifications.
            const DWORD notify = b.onLostFocus ? BS_NOTIFY : 0;
            return make(0, L"BUTTON", caption, base | WS_TABSTOP | BS_PUSHBUTTON | notify);
          },
          [&](CheckBox& b) {
            HWND made = make(0, L"BUTTON", caption, base | WS_TABSTOP | BS_CHECKBOX | BS_MULTILINE);
            ::SendMessageW(made, BM_SETCHECK, b.value(), 0);
            return made;
          },
          [&](OptionButton& b) {
            HWND made = make(0, L"BUTTON", caption, base | WS_TABSTOP | BS_RADIOBUTTON);
            ::SendMessageW(made, BM_SETCHECK, b.value() ? BST_CHECKED : 0, 0);
            return made;
          },
          [&](Label&) { return make(0, L"STATIC", caption, base | SS_LEFT | SS_NOTIFY); },
          [&](TextBox& t) {
            DWORD style = base | WS_TABSTOP | ES_AUTOHSCROLL;
            if (t.multiLine())
              style =
                  base | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL;
            HWND made = make(WS_EX_CLIENTEDGE, L"EDIT", t.text(), style);
            // The log grows without bound; lift the edit control's default limit.
            ::SendMessageW(made, EM_SETLIMITTEXT, 0, 0);
            return made;
          },
          [&](Frame&) {
            HWND made = make(WS_EX_CONTROLPARENT, kPanelClass, caption,
                             base | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
            ::SetWindowLongPtrW(made, kPanelLook, kGroupBox);
            return made;
          },
          [&](Picture&) {
            bool holdsControls = false;
            for (Control* other : controls_) holdsControls |= other->container == c.name();
            if (holdsControls || !pictureIcon_)
              return make(WS_EX_CONTROLPARENT, kPanelClass, "",
                          base | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
            HWND made = make(0, L"STATIC", "", base | SS_ICON | SS_NOTIFY);
            ::SendMessageW(made, STM_SETICON, reinterpret_cast<WPARAM>(pictureIcon_), 0);
            return made;
          },
          [&](ListView& lv) {
            HWND made = createList(w, base);
            if (lv.onOLEDragDrop) {
              // Files dragged from the shell land on the list itself. The style is all that
              // DragAcceptFiles sets; the shell library is loaded with the first drop.
              ::SetWindowLongPtrW(made, GWL_EXSTYLE,
                                  ::GetWindowLongPtrW(made, GWL_EXSTYLE) | WS_EX_ACCEPTFILES);
              ::SetWindowSubclass(made, dropProc, 1, reinterpret_cast<DWORD_PTR>(&lv));
            }
            return made;
          },
          [&](Slider& s) {
            HWND made = make(0, TRACKBAR_CLASSW, "", base | WS_TABSTOP | TBS_HORZ | TBS_AUTOTICKS);
            ::SendMessageW(made, TBM_SETRANGEMIN, FALSE, s.min());
            ::SendMessageW(made, TBM_SETRANGEMAX, FALSE, s.max());
            ::SendMessageW(made, TBM_SETTICFREQ, static_cast<WPARAM>(s.tickFrequency()), 0);
            ::SendMessageW(made, TBM_SETPOS, TRUE, s.value());
            return made;
          },
          [&](ProgressBar&) {
            HWND made = make(0, PROGRESS_CLASSW, "", base | PBS_SMOOTH);
            ::SendMessageW(made, PBM_SETRANGE32, 0, 10000);
            return made;
          },
          [&](StatusBar&) { return make(0, STATUSCLASSNAMEW, "", base | SBARS_SIZEGRIP); },
          [&](TabControl& tab) {
            HWND made = make(WS_EX_CONTROLPARENT, WC_TABCONTROLW, "",
                             base | WS_TABSTOP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
            // The font first, so that the tabs are measured once, as they go in.
            ::SendMessageW(made, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
            {
              DrawingOff quiet(made);
              for (std::size_t i = 0; i < tab.captions().size(); ++i) {
                std::wstring text = widen(tab.captions()[i]);
                TCITEMW item{};
                item.mask = TCIF_TEXT;
                item.pszText = text.data();
                ::SendMessageW(made, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
              }
            }
            // Pages are plain panels inside the tab control, one per tab, each made when
            // first needed (see pageWindow).
            w.pages.assign(tab.captions().size(), nullptr);
            return made;
          },
          [&](DatePicker& d) {
            HWND made = make(0, DATETIMEPICK_CLASSW, "", base | WS_TABSTOP | DTS_SHORTDATEFORMAT);
            if (!d.customFormat.empty()) {
              std::wstring fmt = widen(d.customFormat);
              ::SendMessageW(made, DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(fmt.c_str()));
            }
            return made;
          },
          [&](Line& l) {
            const Rect& r = l.rect();
            return make(0, L"STATIC", "",
                        base | (r.width >= r.height ? SS_ETCHEDHORZ : SS_ETCHEDVERT));
          },
          // Components without a window.
          [](controls::Timer&) -> HWND { return nullptr; },
          [](MenuItem&) -> HWND { return nullptr; },
          [](CommonDialog&) -> HWND { return nullptr; }});
  w.hwnd = h;
  if (h && c.kind() != Kind::TabControl && c.kind() != Kind::ListView)  // they have it
    ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  if (c.kind() == Kind::DatePicker || c.kind() == Kind::ProgressBar || c.kind() == Kind::StatusBar)
    update(w, Property::Value);
  if (auto* sb = as<StatusBar>(&c)) syncStatus(w, *sb);
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
    // Shown before finish(): made now, with whatever it holds, if its page is in sight.
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

RECT WidgetHost::placeOf(const Widget& w) const {
  const Rect& r = w.control->rect();
  RECT out{px(r.left), px(r.top), px(r.left + r.width), px(r.top + r.height)};
  if (w.tabOwner) {
    // Rects count from the tab control's corner; the page starts below the tabs.
    ::OffsetRect(&out, -w.tabOwner->pageOrigin.x, -w.tabOwner->pageOrigin.y);
  }
  return out;
}

void WidgetHost::place(Widget& w) {
  if (!w.hwnd) return;
  if (auto* sb = as<StatusBar>(w.control)) {
    ::SendMessageW(w.hwnd, WM_SIZE, 0, 0);  // docks itself at the bottom
    syncStatus(w, *sb);
    return;
  }
  RECT r = placeOf(w);
  RECT was;
  ::GetWindowRect(w.hwnd, &was);
  // No bits are copied: a control that changes size paints itself anew (a slider's
  // ticks, a frame's border), and what it uncovers is painted by its container.
  ::SetWindowPos(w.hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
  if (was.right - was.left != r.right - r.left || was.bottom - was.top != r.bottom - r.top)
    ::RedrawWindow(w.hwnd, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  if (w.control->kind() == Kind::TabControl) layoutPages(w);
}

void WidgetHost::layoutPages(Widget& tab) {
  const RECT r = pageArea(tab.hwnd);
  const bool moved = r.left != tab.pageOrigin.x || r.top != tab.pageOrigin.y;
  tab.pageOrigin = {r.left, r.top};
  for (HWND p : tab.pages)
    if (p)
      ::SetWindowPos(p, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
  if (moved)
    for (auto& w : widgets_)
      if (w->tabOwner == &tab) place(*w);
}

void WidgetHost::showPage(Widget& tab) {
  const int current = tabModel(tab).tab();
  // A page shown before finish() gets its windows now: the page, and what is in sight on it.
  pageWindow(tab, current);
  materialize([this, &tab, current](const Widget& w) {
    const auto [owner, page] = pageOf(w);
    return owner == &tab && page == current && w.control->visible();
  });
  if (::SendMessageW(tab.hwnd, TCM_GETCURSEL, 0, 0) != current)
    ::SendMessageW(tab.hwnd, TCM_SETCURSEL, current, 0);
  HWND focus = ::GetFocus();
  bool focusHidden = false;
  for (std::size_t i = 0; i < tab.pages.size(); ++i) {
    const bool shown = static_cast<int>(i) == current;
    if (!tab.pages[i]) continue;
    if (!shown && focus && ::IsChild(tab.pages[i], focus)) focusHidden = true;
    ::ShowWindow(tab.pages[i], shown ? SW_SHOWNA : SW_HIDE);
  }
  // The focus never stays on a control that went out of sight with its page.
  if (focusHidden) focusIntoPage(tab);
}

void WidgetHost::focusIntoPage(const Widget& tab) {
  std::vector<HWND> stops;
  collectStops(&tab, tabModel(tab).tab(), stops);
  ::SetFocus(stops.empty() ? tab.hwnd : stops.front());
}

namespace {

struct Stop {
  const controls::Rect* rect;
  std::size_t index;
};

// Top to bottom, left to right: controls whose tops lie within the upper half of the
// first control of a row belong to that row.
void readingOrder(std::vector<Stop>& v) {
  std::stable_sort(v.begin(), v.end(),
                   [](const Stop& a, const Stop& b) { return a.rect->top < b.rect->top; });
  std::size_t rowStart = 0;
  for (std::size_t i = 1; i <= v.size(); ++i) {
    const controls::Rect& first = *v[rowStart].rect;
    if (i == v.size() || v[i].rect->top >= first.top + first.height / 2) {
      std::stable_sort(v.begin() + static_cast<std::ptrdiff_t>(rowStart),
                       v.begin() + static_cast<std::ptrdiff_t>(i),
                       [](const Stop& a, const Stop& b) { return a.rect->left < b.rect->left; });
      rowStart = i;
    }
  }
}

bool takesFocus(HWND h) {
  return h && ::IsWindowVisible(h) && ::IsWindowEnabled(h) &&
         (::GetWindowLongW(h, GWL_STYLE) & WS_TABSTOP);
}

}  // namespace

void WidgetHost::collectStops(const Widget* container, int page, std::vector<HWND>& out) const {
  std::vector<Stop> kids;
  for (std::size_t i = 0; i < widgets_.size(); ++i) {
    const Widget& w = *widgets_[i];
    if (w.owner != container || !w.hwnd) continue;
    if (container && !container->pages.empty() && w.control->tab != page) continue;
    kids.push_back({&w.control->rect(), i});
  }
  if (readingOrder_) readingOrder(kids);
  for (const Stop& k : kids) {
    const Widget& w = *widgets_[k.index];
    if (!::IsWindowVisible(w.hwnd)) continue;
    const Control& c = *w.control;
    visit(c, Overloaded{[&](const TabControl& tab) {
                          if (takesFocus(w.hwnd)) out.push_back(w.hwnd);
                          collectStops(&w, tab.tab(), out);
                        },
                        // Containers: their controls, in their order.
                        [&](const Frame&) {
                          if (::IsWindowEnabled(w.hwnd)) collectStops(&w, page, out);
                        },
                        [&](const Picture&) {
                          if (::IsWindowEnabled(w.hwnd)) collectStops(&w, page, out);
                        },
                        [&](const OptionButton& o) {
                          // One stop for a group of option buttons: the chosen one (the arrow keys
                          // move within the group).
                          bool anyChosen = false, firstOfGroup = true;
                          for (const Stop& other : kids) {
                            const auto* oc = as<OptionButton>(widgets_[other.index]->control);
                            if (!oc) continue;
                            if (oc->value()) anyChosen = true;
                            if (other.index < k.index) firstOfGroup = false;
                          }
                          if ((o.value() || (!anyChosen && firstOfGroup)) && takesFocus(w.hwnd))
                            out.push_back(w.hwnd);
                        },
                        [&](const Control&) {
                          if (takesFocus(w.hwnd)) out.push_back(w.hwnd);
                        }});
  }
}

std::vector<HWND> WidgetHost::focusCycle() const {
  std::vector<HWND> out;
  collectStops(nullptr, -1, out);
  return out;
}

bool WidgetHost::tabFrom(HWND from, bool backwards) {
  const std::vector<HWND> cycle = focusCycle();
  if (cycle.empty()) return false;
  // The stop that holds the focus (a date picker's or list's inner window counts as
  // the control).
  std::ptrdiff_t at = -1;
  for (std::size_t i = 0; i < cycle.size(); ++i)
    if (cycle[i] == from || ::IsChild(cycle[i], from)) at = static_cast<std::ptrdiff_t>(i);
  const auto n = static_cast<std::ptrdiff_t>(cycle.size());
  std::ptrdiff_t next = at < 0 ? (backwards ? n - 1 : 0) : (at + (backwards ? n - 1 : 1)) % n;
  HWND target = cycle[static_cast<std::size_t>(next)];
  ::SetFocus(target);
  // As in a dialog: an edit box entered by Tab has its text selected.
  wchar_t cls[16] = {};
  ::GetClassNameW(target, cls, 16);
  if (std::wstring_view(cls) == L"Edit" && !(::GetWindowLongW(target, GWL_STYLE) & ES_MULTILINE))
    ::SendMessageW(target, EM_SETSEL, 0, -1);
  return true;
}

bool WidgetHost::arrowInGroup(HWND from, int step) {
  const Widget* at = byHwnd(from);
  if (!at || at->control->kind() != Kind::OptionButton) return false;
  std::vector<Stop> group;
  for (std::size_t i = 0; i < widgets_.size(); ++i) {
    const Widget& w = *widgets_[i];
    if (w.hwnd && w.owner == at->owner && w.control->tab == at->control->tab &&
        w.control->kind() == Kind::OptionButton)
      group.push_back({&w.control->rect(), i});
  }
  if (readingOrder_) readingOrder(group);
  const auto n = static_cast<std::ptrdiff_t>(group.size());
  std::ptrdiff_t pos = 0;
  while (pos < n && widgets_[group[static_cast<std::size_t>(pos)].index].get() != at) ++pos;
  for (std::ptrdiff_t k = 1; k < n; ++k) {
    Widget& next = *widgets_[group[static_cast<std::size_t>(((pos + step * k) % n + n) % n)].index];
    if (!::IsWindowVisible(next.hwnd) || !::IsWindowEnabled(next.hwnd)) continue;
    HWND h = next.hwnd;
    std::weak_ptr<bool> alive = alive_;
    as<OptionButton>(next.control)->click();
    // The program's handler may have closed the window.
    if (auto a = alive.lock(); a && *a && ::IsWindow(h)) ::SetFocus(h);
    break;
  }
  return true;
}

const WidgetHost::Widget* WidgetHost::firstTabControl() const {
  for (auto& w : widgets_)
    if (w->control->kind() == Kind::TabControl && w->hwnd) return w.get();
  return nullptr;
}

HWND WidgetHost::firstStop() const {
  if (const Widget* tab = firstTabControl()) {
    std::vector<HWND> stops;
    collectStops(tab, tabModel(*tab).tab(), stops);
    if (!stops.empty()) return stops.front();
  }
  const std::vector<HWND> cycle = focusCycle();
  return cycle.empty() ? nullptr : cycle.front();
}

bool WidgetHost::switchPage(int step) {
  const Widget* tab = firstTabControl();
  if (!tab || !::IsWindowEnabled(tab->hwnd)) return false;
  TabControl& model = tabModel(*tab);
  const int n = static_cast<int>(model.captions().size());
  if (n == 0) return false;
  HWND focus = ::GetFocus();
  const bool onStrip = focus == tab->hwnd;
  // The model raises the tab's click event with the page left, and its observer shows
  // the new page.
  model.setTab(((model.tab() + step) % n + n) % n);
  if (!onStrip) focusIntoPage(*tab);
  return true;
}

void WidgetHost::onFocusLeft(HWND button) {
  Widget* w = byHwnd(button);
  auto* b = w ? as<Button>(w->control) : nullptr;
  HWND focus = ::GetFocus();
  if (!b || focus == button || !focus) return;
  if (::GetAncestor(focus, GA_ROOT) != top_) return;
  if (b->onLostFocus) b->onLostFocus();
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

TabControl& WidgetHost::tabModel(const Widget& tab) {
  return *as<TabControl>(tab.control);
}

WidgetHost::Widget* WidgetHost::byId(int id) {
  const int index = id - kFirstId;
  if (index < 0 || index >= static_cast<int>(widgets_.size())) return nullptr;
  return widgets_[static_cast<std::size_t>(index)].get();
}

WidgetHost::Widget* WidgetHost::byHwnd(HWND h) {
  for (auto& w : widgets_)
    if (w->hwnd == h) return w.get();
  return nullptr;
}

HWND WidgetHost::windowOf(const Control& c) const {
  for (auto& w : widgets_)
    if (w->control == &c) return w->hwnd;
  return nullptr;
}

Control* WidgetHost::controlOf(HWND h) {
  Widget* w = h ? byHwnd(h) : nullptr;
  return w ? w->control : nullptr;
}

bool WidgetHost::onCommand(WPARAM wParam, LPARAM lParam) {
  Widget* w = byId(LOWORD(wParam));
  if (!w || reinterpret_cast<HWND>(lParam) != w->hwnd) return false;
  const UINT code = HIWORD(wParam);
  return visit(*w->control, Overloaded{[&](Button& b) {
                                         if (code == BN_CLICKED) b.click();
                                         // Decided once the focus has landed: a move to another
                                         // window of the program is a lost focus, a switch to
                                         // another program is not.
                                         if (code == BN_KILLFOCUS && b.onLostFocus)
                                           ::PostMessageW(top_, kMsgFocusLeft,
                                                          reinterpret_cast<WPARAM>(w->hwnd), 0);
                                         return true;
                                       },
                                       [&](CheckBox& b) {
                                         if (code == BN_CLICKED) b.click();
                                         return true;
                                       },
                                       [&](OptionButton& b) {
                                         if (code == BN_CLICKED) b.click();
                                         return true;
                                       },
                                       [&](Label& l) {
                                         if (code == STN_CLICKED && l.onMouseDown) l.onMouseDown();
                                         return true;
                                       },
                                       [](Picture&) { return true; },
                                       [&](TextBox& t) {
                                         if (code == EN_CHANGE && !syncing_)
                                           t.setText(windowText(w->hwnd));
                                         else if (code == EN_SETFOCUS && t.onGotFocus)
                                           t.onGotFocus();
                                         return true;
                                       },
                                       [](Control&) { return false; }});
}

bool WidgetHost::onNotify(const NMHDR& header, LRESULT& result) {
  Widget* w = byHwnd(header.hwndFrom);
  if (!w) return false;
  result = 0;
  if (auto* tab = as<TabControl>(w->control); tab && header.code == TCN_SELCHANGE) {
    tab->setTab(static_cast<int>(::SendMessageW(w->hwnd, TCM_GETCURSEL, 0, 0)));
    showPage(*w);
    return true;
  }
  if (auto* d = as<DatePicker>(w->control); d && header.code == DTN_DATETIMECHANGE && !syncing_) {
    const auto& change = reinterpret_cast<const NMDATETIMECHANGE&>(header);
    if (change.dwFlags == GDT_VALID)
      d->setValue({change.st.wYear, change.st.wMonth, change.st.wDay});
    return true;
  }
  if (w->control->kind() != Kind::ListView) return false;
  return onListNotify(*w, header, result);
}

bool WidgetHost::onScroll(HWND from) {
  Widget* w = byHwnd(from);
  auto* slider = w ? as<Slider>(w->control) : nullptr;
  if (!slider) return false;
  if (!syncing_) slider->setValue(static_cast<int>(::SendMessageW(from, TBM_GETPOS, 0, 0)));
  return true;
}

bool WidgetHost::onTimer(UINT_PTR id) {
  Widget* w = byId(static_cast<int>(id));
  auto* timer = w ? as<controls::Timer>(w->control) : nullptr;
  if (!timer) return false;
  // A handler that waits in the message loop must not see its own timer again; other
  // timers tick meanwhile.
  if (w->ticking) return true;
  if (!timer->enabled() || !timer->onTimer) return true;
  w->ticking = true;
  // The handler may close the window (an end-of-work choice), which destroys this host
  // and its widgets: the flag is cleared only while they still exist.
  const std::shared_ptr<bool> alive = alive_;
  struct Reset {
    const std::shared_ptr<bool>& alive;
    bool& flag;
    ~Reset() {
      if (*alive) flag = false;
    }
  } reset{alive, w->ticking};
  timer->onTimer();
  return true;
}

bool WidgetHost::onChildPressed(HWND child) {
  Widget* w = byHwnd(child);
  if (!w || !w->control->enabled()) return false;
  auto* bar = as<ProgressBar>(w->control);
  if (!bar) return false;
  if (bar->onMouseDown) bar->onMouseDown();
  return true;
}

void WidgetHost::onTopSized() {
  for (auto& w : widgets_)
    if (w->control->kind() == Kind::StatusBar && w->hwnd) ::SendMessageW(w->hwnd, WM_SIZE, 0, 0);
}

}  // namespace varnolt::gui
