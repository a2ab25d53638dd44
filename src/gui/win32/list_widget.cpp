// List views as virtual lists (LVS_OWNERDATA): the control asks for the text and the
// check-box image of a row when it paints it, straight from the model, so reading a
// recorder's 32,767 recordings never copies them into the control. Check boxes are the
// model's: a click on the box or the space bar toggles the model's row, and the list
// repaints it.
// widgets.hpp brings windows.h, which the other system headers build on.
#include "gui/win32/widgets.hpp"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

namespace varnolt::gui {

using namespace controls;
using win32::widen;

namespace {

constexpr UINT_PTR kSubclassId = 1;

// Copies text into a buffer the control lent, cut to its size.
void copyText(const std::string& text, wchar_t* buffer, int size) {
  if (!buffer || size <= 0) return;
  const std::wstring w = widen(text);
  const std::size_t n = std::min(w.size(), static_cast<std::size_t>(size - 1));
  std::copy_n(w.data(), n, buffer);
  buffer[n] = L'\0';
}

}  // namespace

HWND WidgetHost::createList(Widget& w, DWORD style) {
  auto& lv = static_cast<ListView&>(*w.control);
  const RECT at = placeOf(w);
  HWND h = ::CreateWindowExW(
      WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
      style | WS_CHILD | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_OWNERDATA, at.left,
      at.top, at.right - at.left, at.bottom - at.top, w.parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(w.id)), ::GetModuleHandleW(nullptr), nullptr);
  if (!h) return nullptr;
  w.hwnd = h;
  {
    // The font, styles and columns each lay out the list and its scroll bars.
    DrawingOff quiet(h);
    ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    DWORD ex = LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES;
    if (lv.checkBoxes()) ex |= LVS_EX_CHECKBOXES;
    ::SendMessageW(h, LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);
    // The check-box image of every row comes from the model.
    if (lv.checkBoxes()) ::SendMessageW(h, LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK, 0);
    for (std::size_t i = 0; i < lv.columns.size(); ++i) {
      std::wstring text = widen(lv.columns[i].text);
      LVCOLUMNW col{};
      col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
      col.fmt = lv.columns[i].rightAligned && i > 0 ? LVCFMT_RIGHT : LVCFMT_LEFT;
      col.cx = ::MulDiv(lv.columns[i].width, dpi_, lv.columnUnitsPerInch);
      col.pszText = text.data();
      col.iSubItem = static_cast<int>(i);
      ::SendMessageW(h, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&col));
    }
  }
  ::SetWindowSubclass(h, &WidgetHost::listSubclass, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  syncList(w);
  return h;
}

void WidgetHost::syncList(Widget& w) {
  auto& lv = static_cast<ListView&>(*w.control);
  const auto shown = static_cast<std::size_t>(::SendMessageW(w.hwnd, LVM_GETITEMCOUNT, 0, 0));
  if (shown != lv.count()) {
    const bool wasSyncing = syncing_;
    syncing_ = true;
    ::SendMessageW(w.hwnd, LVM_SETITEMCOUNT, lv.count(), LVSICF_NOSCROLL);
    syncing_ = wasSyncing;
    syncListStates(w);
  }
  // Rows are painted from the model: a repaint shows the change.
  ::InvalidateRect(w.hwnd, nullptr, FALSE);
}

void WidgetHost::syncListStates(Widget& w) {
  auto& lv = static_cast<ListView&>(*w.control);
  const bool wasSyncing = syncing_;
  syncing_ = true;
  // The control keeps the selection of a virtual list; the check boxes it asks for.
  LVITEMW none{};
  none.stateMask = LVIS_SELECTED;
  ::SendMessageW(w.hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(&none));
  for (std::size_t r = 1; r <= lv.count(); ++r) {
    if (!lv.item(r).selected) continue;
    LVITEMW st{};
    st.stateMask = LVIS_SELECTED;
    st.state = LVIS_SELECTED;
    ::SendMessageW(w.hwnd, LVM_SETITEMSTATE, r - 1, reinterpret_cast<LPARAM>(&st));
  }
  ::InvalidateRect(w.hwnd, nullptr, FALSE);
  syncing_ = wasSyncing;
}

void WidgetHost::syncColumns(Widget& w) {
  auto& lv = static_cast<ListView&>(*w.control);
  for (std::size_t i = 0; i < lv.columns.size(); ++i)
    ::SendMessageW(w.hwnd, LVM_SETCOLUMNWIDTH, i,
                   ::MulDiv(lv.columns[i].width, dpi_, lv.columnUnitsPerInch));
}

// The rows the control shows as selected become the model's selection.
void WidgetHost::takeListSelection(Widget& w) {
  auto& lv = static_cast<ListView&>(*w.control);
  std::vector<bool> selected(lv.count(), false);
  for (int i = -1;;) {
    i = static_cast<int>(::SendMessageW(w.hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(i),
                                        MAKELPARAM(LVNI_SELECTED, 0)));
    if (i < 0 || static_cast<std::size_t>(i) >= selected.size()) break;
    selected[static_cast<std::size_t>(i)] = true;
  }
  fromList_ = true;
  for (std::size_t r = 1; r <= lv.count(); ++r)
    if (lv.item(r).selected != selected[r - 1]) lv.setSelected(r, selected[r - 1]);
  fromList_ = false;
}

void WidgetHost::toggleCheck(Widget& w, int item) {
  auto& lv = static_cast<ListView&>(*w.control);
  if (!lv.checkBoxes() || item < 0 || static_cast<std::size_t>(item) >= lv.count()) return;
  const auto row = static_cast<std::size_t>(item) + 1;
  std::weak_ptr<bool> alive = alive_;
  HWND h = w.hwnd;
  lv.userCheck(row, !lv.item(row).checked);
  // The handler may have closed the window.
  if (auto a = alive.lock(); a && *a && ::IsWindow(h))
    ::SendMessageW(h, LVM_REDRAWITEMS, static_cast<WPARAM>(item), item);
}

bool WidgetHost::onListNotify(Widget& w, const NMHDR& header, LRESULT& result) {
  auto& lv = static_cast<ListView&>(*w.control);
  result = 0;
  switch (header.code) {
    case LVN_GETDISPINFOW: {
      auto& item = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(header)).item;
      if (item.iItem < 0 || static_cast<std::size_t>(item.iItem) >= lv.count()) return true;
      const ListItem& it = lv.item(static_cast<std::size_t>(item.iItem) + 1);
      if (item.mask & LVIF_TEXT)
        copyText(item.iSubItem == 0 ? it.text : it.subItem(static_cast<std::size_t>(item.iSubItem)),
                 item.pszText, item.cchTextMax);
      if ((item.mask & LVIF_STATE) && lv.checkBoxes()) {
        item.state =
            (item.state & ~LVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(it.checked ? 2 : 1);
        item.stateMask |= LVIS_STATEIMAGEMASK;
      }
      return true;
    }
    case LVN_ODFINDITEMW:
      result = -1;
      return true;
    case LVN_ITEMCHANGED: {
      const auto& nm = reinterpret_cast<const NMLISTVIEW&>(header);
      if (!syncing_ && (nm.uChanged & LVIF_STATE) &&
          ((nm.uNewState ^ nm.uOldState) & LVIS_SELECTED || nm.iItem < 0))
        takeListSelection(w);
      return true;
    }
    case LVN_ODSTATECHANGED:
      if (!syncing_) takeListSelection(w);
      return true;
    case LVN_COLUMNCLICK: {
      const auto& nm = reinterpret_cast<const NMLISTVIEW&>(header);
      if (lv.onColumnClick) lv.onColumnClick(nm.iSubItem + 1);
      return true;
    }
    case NM_RCLICK:
      if (lv.onRightClick) lv.onRightClick();
      return true;
    case NM_CUSTOMDRAW: {
      // Rows of recordings already downloaded are drawn in grey text, every column kept.
      auto& draw = const_cast<NMLVCUSTOMDRAW&>(reinterpret_cast<const NMLVCUSTOMDRAW&>(header));
      if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) {
        result = CDRF_NOTIFYITEMDRAW;
      } else if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
        const auto index = static_cast<std::size_t>(draw.nmcd.dwItemSpec);
        if (index < lv.count() && lv.item(index + 1).downloaded)
          draw.clrText = ::GetSysColor(COLOR_GRAYTEXT);
        result = CDRF_DODEFAULT;
      }
      return true;
    }
    default:
      return false;
  }
}

LRESULT CALLBACK WidgetHost::listSubclass(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                          DWORD_PTR self) {
  auto* host = reinterpret_cast<WidgetHost*>(self);
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      // A press on a row's check box toggles the model's check; the control is not
      // asked, so it cannot toggle a second time. A press elsewhere on the row reports
      // LVHT_ONITEM, which holds the state-icon bit too: the control selects the row.
      Widget* w = host->byHwnd(h);
      LVHITTESTINFO hit{};
      hit.pt = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      if (w && ::SendMessageW(h, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)) >= 0 &&
          (hit.flags & LVHT_ONITEM) == LVHT_ONITEMSTATEICON) {
        ::SetFocus(h);
        host->toggleCheck(*w, hit.iItem);
        return 0;
      }
      break;
    }
    case WM_KEYDOWN:
      if (wp == VK_SPACE) {
        if (Widget* w = host->byHwnd(h)) {
          const int focused = static_cast<int>(::SendMessageW(
              h, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_FOCUSED, 0)));
          host->toggleCheck(*w, focused);
          return 0;
        }
      }
      break;
    case WM_CONTEXTMENU:
      // The context-menu key (or Shift+F10) opens the menu a right click opens; a right
      // click has already done so through NM_RCLICK.
      if (lp == -1) {
        if (Widget* w = host->byHwnd(h)) {
          auto& lv = static_cast<ListView&>(*w->control);
          if (lv.onRightClick) lv.onRightClick();
          return 0;
        }
      }
      break;
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(h, &WidgetHost::listSubclass, kSubclassId);
      break;
    default:
      break;
  }
  return ::DefSubclassProc(h, msg, wp, lp);
}

}  // namespace varnolt::gui
