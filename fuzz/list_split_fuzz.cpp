// The recording list read: the controller's list-box entries, split at "|" into the
// recording list's columns. The input is the list box's content in the controller's
// code page, one entry per line.
//
// Properties (sizes not read, so column 7 is what the entry left there):
//  - one unchecked row per entry, in entry order, with an empty item text;
//  - at most 8 columns; none of columns 1 to 7 holds a "|";
//  - columns 1 to 7 joined with "|" are the start of the entry, the whole entry when it
//    has at most 7 fields, and are followed by "|" when it has more;
//  - column 8 is the default folder; the window is left ready for a download.
#include "fuzz_world.hpp"

namespace varnolt::fuzz {

using controls::ListItem;
namespace {

constexpr std::size_t kMaxEntries = 200;

struct Controller {
  Hwnd main = 0, list = 0;
};

Controller& controller(FuzzWorld& w) {
  static Controller c = [&] {
    auto& desktop = *w.world->desktop;
    const std::uint32_t pid = desktop.createProcess().pid;
    Controller made;
    made.main = controllerWindow(desktop, pid);
    desktop.createWindow(pid, made.main, "Button", "接続");
    made.list = desktop.createWindow(pid, made.main, "ListBox", "").handle;
    desktop.createWindow(pid, made.main, "msctls_trackbar32", "Slider1");
    return made;
  }();
  return c;
}

}  // namespace
}  // namespace varnolt::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace varnolt;
  using namespace varnolt::fuzz;
  FuzzWorld& w = theWorld();
  Controller& c = controller(w);
  std::vector<std::string> entries;
  for (const std::string& line : text_rules::split(bytesOf(data, size), "\n")) {
    if (entries.size() == kMaxEntries) break;
    entries.push_back(w.fromAnsi(line));
  }
  sim::SimWindow* list = w.world->desktop->window(c.list);
  list->resetItems(entries);
  list->received.clear();

  Form1& f = w.window();
  f.Check4.setValue(1);  // sizes are another target's business
  f.Text4.setText("D:\\録画\\ﾃﾚﾋﾞ");
  f.Text5.setText("");
  f.Command5.setEnabled(false);
  f.Label100.setCaption("");
  f.Command1_Click();

  FUZZ_CHECK(f.ListView1.count() == entries.size(),
             std::to_string(f.ListView1.count()) + " rows for " + std::to_string(entries.size()));
  FUZZ_CHECK(f.Command5.enabled() && f.Label100.caption() == "リスト取得",
             "the list must be left ready for a download");
  for (std::size_t r = 1; r <= entries.size(); ++r) {
    const std::string& entry = entries[r - 1];
    const ListItem& row = f.ListView1.item(r);
    const std::string where = "row " + std::to_string(r) + " entry " + show(entry);
    FUZZ_CHECK(row.text.empty() && !row.checked, where);
    FUZZ_CHECK(row.subItems.size() <= 8, where + ": more than 8 columns");
    FUZZ_CHECK(row.subItem(8) == f.Text4.text(), where + ": column 8 " + show(row.subItem(8)));
    std::size_t fields = 1;
    for (char ch : entry) fields += ch == '|';
    const std::size_t shown = std::min<std::size_t>(fields, 7);
    std::string joined;
    for (std::size_t k = 1; k <= 7; ++k) {
      const std::string& col = row.subItem(k);
      FUZZ_CHECK(col.find('|') == std::string::npos, where + ": column holds a bar");
      if (k > shown) {
        FUZZ_CHECK(col.empty(), where + ": column " + std::to_string(k) + " beyond the fields");
        continue;
      }
      if (k > 1) joined += '|';
      joined += col;
    }
    if (fields <= 7)
      FUZZ_CHECK(joined == entry, where + ": joined " + show(joined));
    else
      FUZZ_CHECK(entry.compare(0, joined.size() + 1, joined + "|") == 0,
                 where + ": joined " + show(joined) + " is not the entry's start");
  }
  return 0;
}
