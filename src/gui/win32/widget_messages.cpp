// Window to model: the top-level window's messages about the widgets, turned into the
// models' clicks, texts and values.
#include "gui/win32/widgets.hpp"

#include <commctrl.h>

#include <memory>

namespace varnolt::gui {

using namespace controls;

void WidgetHost::onFocusLeft(HWND button) {
  Widget* w = byHwnd(button);
  auto* b = w ? as<Button>(w->control) : nullptr;
  HWND focus = ::GetFocus();
  if (!b || focus == button || !focus) return;
  if (::GetAncestor(focus, GA_ROOT) != top_) return;
  if (b->onLostFocus) b->onLostFocus();
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
  return visit(*w->control,
               Overloaded{[&](Button& b) {
                            if (code == BN_CLICKED) b.click();
                            // Decided once the focus has landed: a move to another
                            // window of the program is a lost focus, a switch to
                            // another program is not.
                            if (code == BN_KILLFOCUS && b.onLostFocus)
                              ::PostMessageW(top_, kMsgFocusLeft, reinterpret_cast<WPARAM>(w->hwnd),
                                             0);
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
                            // The text still on its way to the window is the end of the model's.
                            if (code == EN_CHANGE && !syncing_)
                              t.setText(windowText(w->hwnd) + win32::narrow(w->pending));
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
  if (id == kBuildTimer) {
    if (!buildStep()) ::KillTimer(top_, kBuildTimer);
    return true;
  }
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
