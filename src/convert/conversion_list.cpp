// The conversion list: rows added by the download run and by files dropped from the shell.
#include "convert/conversion_list.hpp"

namespace varnolt {

using controls::ListItem;
using controls::ListView;

namespace {

constexpr std::uint32_t kAttrHidden = 2, kAttrDirectory = 16;

std::size_t appendRow(ListView& list, const SplitPath& parts, const std::string& fullPath,
                      const std::string& mpgFolder) {
  const std::size_t row = list.add();
  list.setSubItem(row, m2tcol::kStatus, kNotWorked);
  list.setSubItem(row, m2tcol::kBaseName, parts.baseName);
  list.setSubItem(row, m2tcol::kFullPath, fullPath);
  list.setSubItem(row, m2tcol::kParent, parts.folder);
  list.setSubItem(row, m2tcol::kMpgParent, mpgFolder);
  return row;
}

// Only ever enables: the start button is disabled by the run and by emptying the list.
void applyStartButtonRule(Form1& form) {
  if (!form.StatusBar1.panel(2).empty() && form.ListView10.count() >= 1)
    form.Command9.setEnabled(true);
}

}  // namespace

SplitPath splitPath(std::string_view path) {
  SplitPath s;
  const auto slash = path.rfind('\\');
  s.folder =
      std::string(slash == std::string_view::npos ? std::string_view() : path.substr(0, slash));
  s.fileName = std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
  const auto dot = s.fileName.rfind('.');
  if (dot == std::string::npos) {
    s.baseName = s.fileName;
  } else {
    s.baseName = s.fileName.substr(0, dot);
    s.extension = s.fileName.substr(dot + 1);
  }
  return s;
}

std::string mpgPathOf(const ListView& list, std::size_t row) {
  const ListItem& item = list.item(row);
  return item.subItem(m2tcol::kMpgParent) + "\\" + item.subItem(m2tcol::kBaseName) + ".mpg";
}

void renumberM2tList(ListView& list, bool checkAll) {
  const std::size_t n = list.count();
  const std::size_t width = std::to_string(n).size();
  for (std::size_t i = 1; i <= n; ++i) {
    std::string number = std::to_string(i);
    if (number.size() < width) number.insert(0, width - number.size(), '0');
    list.setText(i, number);
    if (checkAll) list.setChecked(i, true);
  }
}

void Form1::m2tlist_Add(const std::string& m2tPath, const std::string& mpgFolder) {
  appendRow(ListView10, splitPath(m2tPath), m2tPath, mpgFolder);
  renumberM2tList(ListView10, true);
  applyStartButtonRule(*this);
  journalNight();
}

void Form1::ListView10_OLEDragDrop(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    bool known = false;
    for (std::size_t r = 1; r <= ListView10.count() && !known; ++r)
      known = ListView10.item(r).subItem(m2tcol::kFullPath) == path;
    if (known) continue;
    std::uint32_t attributes = 0;
    try {
      attributes = ports.files.attributes(path);
    } catch (const RunError&) {
      // What the shell handed over but is gone now cannot be converted.
      continue;
    }
    if (attributes == kAttrHidden || attributes == kAttrDirectory) continue;
    const SplitPath parts = splitPath(path);
    if (parts.extension != "m2t") continue;
    appendRow(ListView10, parts, path, parts.folder);
  }
  renumberM2tList(ListView10, true);
  applyStartButtonRule(*this);
}

void Form1::ListView10_MouseDown(int button) {
  if (button != 2) return;
  // An empty list has only files to add: every other command needs rows.
  const bool rows = ListView10.count() >= 1;
  for (controls::MenuItem* m :
       {&pulldown_m2tlist_all_No_check, &pulldown_m2tlist_all_check, &pulldown_m2tlist_SHOKI,
        &pulldown_m2tlist_mpg_RePath, &pulldown_m2tlist_1ldel, &pulldown_m2tlist_alldel})
    m->setEnabled(rows);
  PopupMenu(pulldown_m2tlist);
}

}  // namespace varnolt
