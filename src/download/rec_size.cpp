// Sizes of the recordings, read from the controller's details text while its selection
// walks through the list box.
#include <cmath>

#include "automation/window_list.hpp"

namespace varnolt {

using controls::ListItem;

namespace {

constexpr int kVkUp = 0x26;
constexpr int kVkDown = 0x28;
constexpr std::size_t kSizeColumn = 7;
constexpr const char* kSizeKey = "FileSize :";

// The size of one "FileSize :" line in MB as decimal text.
std::string sizeOfLine(const std::string& line) {
  std::string rest = text_rules::replaceAll(text_rules::replaceAll(line, kSizeKey, ""), "MB", "");
  if (rest.find("GB") != std::string::npos) {
    const double mb = text_rules::toDouble(text_rules::replaceAll(rest, "GB", "")) * 1000;
    // A product beyond the range of a double is an overflow, as in any other arithmetic.
    if (!std::isfinite(mb)) throw RunError(run_error::kOverflow);
    rest = text_rules::numberText(mb);
  }
  return text_rules::trimSpaces(rest);
}

}  // namespace

void Form1::RecSize_Get() {
  try {
    const Hwnd controller = parseHandleText(StatusBar1.panel(4));
    // The kept details text is looked up again once it is no window of the running
    // controller (the controller was restarted).
    bool kept = false;
    if (!rc_recdata.text().empty()) {
      const Hwnd details = parseHandleText(rc_recdata.text());
      for (Hwnd child : ports.windows.childWindows(controller)) kept = kept || child == details;
    }
    if (!kept) {
      rc_recdata.setText("");
      ListView3.clear();
      StartUpChildList::EnumChildWindows(*this, controller, ListView3);
      for (std::size_t r = 1; r <= ListView3.count(); ++r) {
        const ListItem& row = ListView3.item(r);
        if (row.subItem(1) == "Static" && row.subItem(2).find(kSizeKey) != std::string::npos)
          rc_recdata.setText(row.text);
      }
    }
    const Hwnd list = parseHandleText(rc_rec_list.text());
    ports.windows.listBoxSetCurSel(list, 1);
    ports.windows.keyDown(list, kVkUp);

    const std::size_t rows = ListView1.count();
    for (std::size_t k = 0; k < rows; ++k) {
      const Hwnd details = parseHandleText(rc_recdata.text());
      const int length = ports.windows.getTextLength(details);
      for (const std::string& line :
           text_rules::split(ports.windows.getText(details, length + 1), "\r\n")) {
        if (line.find(kSizeKey) == std::string::npos) continue;
        ListView1.setSubItem(k + 1, kSizeColumn, sizeOfLine(line));
        ports.windows.keyDown(list, kVkDown);
      }
    }
  } catch (const std::exception&) {
    // No details text or no list box: this controller cannot tell sizes.
    const char* message = "RCの仕様によりサイズ取得ができないようです。以後サイズ取得は行いません";
    Check4.setValue(1);
    msgBox(message);
    logAdd(message);
  }
}

}  // namespace varnolt
