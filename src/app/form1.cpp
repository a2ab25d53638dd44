#include "app/form1.hpp"

namespace varnolt {

using controls::as;
using controls::Button;
using controls::Control;
using controls::MenuItem;
using controls::TextBox;

std::string appFile(const Form1& f, std::string_view name) {
  return f.ports.appPath + "\\" + std::string(name);
}

// The controls are declared, placed and wired in form1.hpp.
Form1::Form1(platform::Platform& platform) : ports(platform) {
  watchRunProgress();
  watchDownloadHistoryMenus();
  watchConversionListLock();
}

void Form1::setFocus(Control& c) {
  Control* previous = find(focused);
  focused = c.name();
  if (auto* button = as<Button>(previous); button && previous != &c && button->onLostFocus)
    button->onLostFocus();
  if (focused == c.name() && focusWindow) focusWindow(c);
  // A LostFocus handler may have sent the focus elsewhere.
  if (auto* box = as<TextBox>(&c); box && focused == c.name() && box->onGotFocus) box->onGotFocus();
}

void Form1::PopupMenu(MenuItem& menu) {
  if (showPopup) showPopup(menu);
}

void Form1::statusAndLog(std::string_view message) {
  Label100.setCaption(std::string(message));
  logAdd(Label100.caption());
}

}  // namespace varnolt
