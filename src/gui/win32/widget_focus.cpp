// Keyboard order: the tab stops of a host in the order Tab visits them, the arrow keys
// within a group of option buttons and the keys that switch pages.
#include "gui/win32/widgets.hpp"

#include <algorithm>

namespace varnolt::gui {

using namespace controls;

namespace {

struct TabStop {
  const controls::Rect* rect;
  std::size_t index;
};

// Top to bottom, left to right: controls whose tops lie within the upper half of the
// first control of a row belong to that row.
void readingOrder(std::vector<TabStop>& v) {
  std::stable_sort(v.begin(), v.end(),
                   [](const TabStop& a, const TabStop& b) { return a.rect->top < b.rect->top; });
  std::size_t rowStart = 0;
  for (std::size_t i = 1; i <= v.size(); ++i) {
    const controls::Rect& first = *v[rowStart].rect;
    if (i == v.size() || v[i].rect->top >= first.top + first.height / 2) {
      std::stable_sort(
          v.begin() + static_cast<std::ptrdiff_t>(rowStart),
          v.begin() + static_cast<std::ptrdiff_t>(i),
          [](const TabStop& a, const TabStop& b) { return a.rect->left < b.rect->left; });
      rowStart = i;
    }
  }
}

bool takesFocus(HWND h) {
  return h && ::IsWindowVisible(h) && ::IsWindowEnabled(h) &&
         (::GetWindowLongW(h, GWL_STYLE) & WS_TABSTOP);
}

}  // namespace

void WidgetHost::focusIntoPage(const Widget& tab) {
  std::vector<HWND> stops;
  collectStops(&tab, tabModel(tab).tab(), stops);
  ::SetFocus(stops.empty() ? tab.hwnd : stops.front());
}

void WidgetHost::collectStops(const Widget* container, int page, std::vector<HWND>& out) const {
  std::vector<TabStop> kids;
  for (std::size_t i = 0; i < widgets_.size(); ++i) {
    const Widget& w = *widgets_[i];
    if (w.owner != container || !w.hwnd) continue;
    if (container && !container->pages.empty() && w.control->tab != page) continue;
    kids.push_back({&w.control->rect(), i});
  }
  if (readingOrder_) readingOrder(kids);
  for (const TabStop& k : kids) {
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
                          for (const TabStop& other : kids) {
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
  std::vector<TabStop> group;
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

}  // namespace varnolt::gui
