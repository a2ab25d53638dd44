#include "automation/window_list.hpp"

namespace varnolt {

using controls::ListItem;
using controls::ListView;

namespace {

// Buffer sizes of the class-name and caption reads.
constexpr int kClassBuffer = 128;
constexpr int kCaptionBuffer = 516;

std::size_t appendRow(Form1& form, Hwnd hwnd, ListView& list) {
  const std::size_t row = list.add();
  list.setText(row, handleText(hwnd));
  list.setSubItem(row, 1, form.ports.windows.className(hwnd, kClassBuffer));
  list.setSubItem(row, 2, form.ports.windows.windowText(hwnd, kCaptionBuffer));
  return row;
}

}  // namespace

bool isControllerTitle(std::string_view caption) {
  return caption.find("ロクラクⅡ コントローラ") != std::string_view::npos ||
         caption.find("ロクラク コントローラ") != std::string_view::npos;
}

std::int32_t StartUpWindowList::EnumTopWindowsProc(Form1& form, Hwnd hwnd, ListView& list) {
  const std::size_t row = appendRow(form, hwnd, list);
  const ListItem& item = list.item(row);
  const std::string& title = item.subItem(2);
  if (isControllerTitle(title)) {
    form.StatusBar1.setPanel(2, title);
    form.StatusBar1.setPanel(3, item.subItem(1));
    form.StatusBar1.setPanel(4, item.text);
  }
  return -1;
}

void StartUpWindowList::EnumWindows(Form1& form, ListView& list) {
  for (Hwnd h : form.ports.windows.topLevelWindows())
    if (EnumTopWindowsProc(form, h, list) == 0) break;
}

std::int32_t StartUpChildList::EnumChildWindowsProc(Form1& form, Hwnd hwnd, ListView& list) {
  appendRow(form, hwnd, list);
  return -1;
}

void StartUpChildList::EnumChildWindows(Form1& form, Hwnd parent, ListView& list) {
  for (Hwnd h : form.ports.windows.childWindows(parent))
    if (EnumChildWindowsProc(form, h, list) == 0) break;
}

void Form1::GetTopWindBtn_Click() {
  ListView2.clear();
  StartUpWindowList::EnumWindows(*this, ListView2);
}

}  // namespace varnolt
