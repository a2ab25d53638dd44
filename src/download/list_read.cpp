// The recording list: copying the controller's list box, and the list's header clicks
// and context menu.
#include <unordered_map>

#include "automation/window_list.hpp"

namespace varnolt {

using controls::ListItem;
using controls::ListUpdate;
using controls::ListView;
using controls::TextBox;

namespace {

// The recording list has columns for the first 8 fields of an entry.
constexpr std::size_t kEntryFields = 8;
constexpr std::size_t kTitleColumn = 3;
constexpr std::size_t kFolderColumn = 8;

// First row of a window list with this class (and caption, when given); 0 when none.
std::size_t firstRow(const ListView& list, std::string_view className,
                     const std::string* caption = nullptr) {
  for (std::size_t r = 1; r <= list.count(); ++r) {
    const ListItem& row = list.item(r);
    if (row.subItem(1) == className && (!caption || row.subItem(2) == *caption)) return r;
  }
  return 0;
}

}  // namespace

void Form1::Command1_Click() {
  ListView2.clear();
  ListView3.clear();
  StartUpWindowList::EnumWindows(*this, ListView2);
  // Panel 4 holds a handle text whenever panel 2 is set; a damaged one finds no window.
  Hwnd main = 0;
  try {
    main = parseHandleText(StatusBar1.panel(4));
  } catch (const RunError&) {
  }
  const bool seen = !StatusBar1.panel(2).empty();
  // A controller seen before but gone now: the user's list and check marks stay, and
  // the panels no longer name a window that is not there.
  const bool gone = seen && main != 0 && !ports.windows.isWindow(main);
  // A controller run as administrator answers nothing: the list stays as it is.
  if (seen && !gone && controllerRefuses()) return;
  if (!gone) ListView1.clear();
  if (!seen || gone) {
    if (gone)
      for (int p = 2; p <= 4; ++p) StatusBar1.setPanel(p, "");
    msgBox(
        "ロクラクコントローラが見つかりませんでした\r\n"
        "ロクラクコントローラを起動後に処理行ってください");
    return;
  }
  ListView3.clear();
  if (main != 0) StartUpChildList::EnumChildWindows(*this, main, ListView3);
  const std::size_t listRow = firstRow(ListView3, "ListBox");
  if (listRow == 0) {
    msgBox("エラーが発生しました");
    return;
  }
  const Hwnd list = parseHandleText(ListView3.item(listRow).text);
  if (ports.windows.listBoxCount(list) == 0) {
    msgBox("USB接続を行いロクラクの電源を入れて接続ボタンを押してください");
    return;
  }

  // Entry positions are 16-bit, as the recording list's rows are.
  const int count = std::min(ports.windows.listBoxCount(list), 32767);
  {
    // The window shows the rows once, when they are all there.
    ListUpdate batch(ListView1);
    for (int i = 0; i < count; ++i) {
      // The port asks for the entry's length and fetches it into a buffer of that size.
      auto fields = text_rules::split(ports.windows.listBoxText(list, i), "|");
      if (fields.size() > kEntryFields) fields.resize(kEntryFields);
      ListView1.addRow({}, std::move(fields));
    }
  }

  const std::string slider = "Slider1";
  if (std::size_t r = firstRow(ListView3, "msctls_trackbar32", &slider))
    rc_slider.setText(ListView3.item(r).text);
  if (ports.mainWindow) ports.windows.setForeground(ports.mainWindow());
  statusAndLog("リスト取得");
  Command5.setEnabled(true);
  RC_SOUSA[0].setEnabled(true);
  Command8.setEnabled(false);
  Command1.setEnabled(true);
  if (Check4.value() == 0) RecSize_Get();
  ListView1.setSubItemAll(kFolderColumn, Text4.text());
  showDownloadedRows();
}

void Form1::ListView1_ColumnClick(int index) {
  if (ListView1.count() == 0) return;
  TextBox* header = nullptr;
  switch (index) {
    case 3:
      header = &Rc_Rec_Column_Lock;
      break;
    case 4:
      header = &Rc_Rec_Column_Title;
      break;
    case 5:
      header = &Rc_Rec_Column_Day;
      break;
    case 6:
      header = &Rc_Rec_Column_Time;
      break;
    case 7:
      header = &Rc_Rec_Column_BitLate;
      break;
    default:
      return;
  }
  // Without a mapped header button there is nothing to sort by.
  Hwnd button = 0;
  try {
    button = parseHandleText(header->text());
  } catch (const RunError&) {
    return;
  }
  ListView1.setEnabled(false);
  struct Saved {
    bool checked;
    std::string folder;
  };
  // Title -> state of the last row with that title, the one a restore in row order
  // would leave behind.
  std::unordered_map<std::string, Saved> saved;
  for (std::size_t r = 1; r <= ListView1.count(); ++r) {
    const ListItem& row = ListView1.item(r);
    saved[row.subItem(kTitleColumn)] = {row.checked, row.subItem(kFolderColumn)};
  }
  ports.windows.activate(button);
  // Not waited for: the list read next tells what came of it.
  (void)ports.windows.click(button, platform::ClickMode::Posted, 0);
  Command1_Click();
  for (std::size_t r = 1; r <= ListView1.count(); ++r) {
    auto it = saved.find(ListView1.item(r).subItem(kTitleColumn));
    if (it == saved.end()) continue;
    ListView1.setChecked(r, it->second.checked);
    ListView1.setSubItem(r, kFolderColumn, it->second.folder);
  }
  ListView1.setEnabled(true);
}

void Form1::ListView1_MouseDown(int button) {
  if (button == 2 && ListView1.count() >= 1) PopupMenu(pulldown_download);
}

}  // namespace varnolt
