// The widgets of a host: their windows, made when they come in sight, the pages of the
// tab controls, and where each window goes.
#include "gui/win32/widgets.hpp"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

namespace varnolt::gui {

using namespace controls;
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

}  // namespace

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
  // The pages out of sight and the hidden controls wait for finish() or finishLater():
  // creating every window of six pages costs more than everything else the start-up does.
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
  while (buildStep()) {
  }
}

void WidgetHost::finishLater() {
  scheduleBuild();
}

void WidgetHost::scheduleBuild() {
  ::SetTimer(top_, kBuildTimer, 0, nullptr);
}

bool WidgetHost::buildStep() {
  using Wanted = std::function<bool(const Widget&)>;
  auto made = [this](const Wanted& wanted) {
    if (std::none_of(widgets_.begin(), widgets_.end(),
                     [&](const auto& w) { return !w->made && wanted(*w); }))
      return false;
    materialize(wanted);
    return true;
  };
  // The hidden controls off the pages.
  if (made([this](const Widget& w) { return !pageOf(w).first; })) return true;
  // The pages out of sight, one per step, in the order of their tabs.
  for (auto& t : widgets_) {
    if (!t->hwnd) continue;
    for (std::size_t i = 0; i < t->pages.size(); ++i) {
      const Widget* tab = t.get();
      const int page = static_cast<int>(i);
      const bool empty = !t->pages[i];
      pageWindow(*t, page);
      if (made([this, tab, page](const Widget& w) {
            return pageOf(w) == std::pair{tab, page};
          }) ||
          empty)
        return true;
    }
  }
  // Whatever is left, then the long texts.
  if (made([](const Widget&) { return true; })) return true;
  for (auto& w : widgets_)
    if (!w->pending.empty()) {
      appendSlice(*w);
      return true;
    }
  return false;
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
    addToolTip(w);
    visit(*w.control,
          Overloaded{// Where its pages start, for the controls on them.
                     [&](TabControl&) { layoutPages(w); },
                     // Docks itself.
                     [&](StatusBar&) { place(w); },
                     // Made empty, see create().
                     [&](Line&) { place(w); }, [&](Picture&) { place(w); },
                     // Set by the program before the box existed: a long text comes in
                     // slices, the selection after the first.
                     [&](TextBox&) {
                       showLongText(w);  // for a multi-line box
                       update(w, Property::Selection);
                     },
                     [](Control&) {}});
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

void WidgetHost::addToolTip(const Widget& w) {
  if (!w.hwnd || w.control->toolTipText.empty()) return;
  if (!toolTip_) {
    toolTip_.reset(::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                     WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, top_, nullptr,
                                     ::GetModuleHandleW(nullptr), nullptr));
    if (!toolTip_) return;
  }
  std::wstring text = widen(w.control->toolTipText);
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = w.parent;
  tool.uId = reinterpret_cast<UINT_PTR>(w.hwnd);
  tool.lpszText = text.data();
  ::SendMessageW(toolTip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
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
            // A multi-line box gets its text after it is made, see showLongText().
            HWND made = make(WS_EX_CLIENTEDGE, L"EDIT", t.multiLine() ? "" : t.text(), style);
            // The log grows without bound; lift the edit control's default limit.
            ::SendMessageW(made, EM_SETLIMITTEXT, 0, 0);
            return made;
          },
          [&](Frame&) {
            HWND made = make(WS_EX_CONTROLPARENT, kPanelClass, caption,
                             base | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
            showAsGroupBox(made);
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
  // A page shown before it was made gets its windows now: the page, and what is in sight on it.
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

}  // namespace varnolt::gui
