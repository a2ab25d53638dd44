// Small tools of the developer tab that act on one window by its handle text.
#include <optional>

#include "app/form1.hpp"

namespace varnolt {

namespace {

// The window named by Text101; a text that is no handle is reported, not raised.
std::optional<Hwnd> targetWindow(Form1& form) {
  try {
    return parseHandleText(text_rules::trimSpaces(form.Text101.text()));
  } catch (const RunError&) {
    form.msgBox(
        "送り込みハンドル「" + form.Text101.text() +
        "」はウィンドウハンドルとして読めません。\r\n16進数8桁（例: 000200A4）で入力してください");
    return std::nullopt;
  }
}

}  // namespace

void Form1::Command11_Click() {
  auto h = targetWindow(*this);
  if (!h) return;
  ports.windows.setText(*h, Text100.text());
}

void Form1::Command12_Click() {
  auto h = targetWindow(*this);
  if (!h) return;
  const int n = ports.windows.getTextLength(*h);
  msgBox(ports.windows.getText(*h, n + 1));
}

void Form1::Command15_Click() {
  // Reads every column width of the conversion list; a check made while designing.
  int total = 0;
  for (const auto& c : ListView10.columns) total += c.width;
  static_cast<void>(total);
}

void Form1::Command13_LostFocus() {
  setFocus(DTPicker1);
}

void Form1::Command2_LostFocus() {
  setFocus(DTPicker1);
}

}  // namespace varnolt
