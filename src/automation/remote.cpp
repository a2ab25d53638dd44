// The playback remote: six buttons that press the controller's playback buttons.
#include "app/form1.hpp"

namespace varnolt {

using controls::Control;
using controls::TextBox;

namespace {

constexpr int kVkUp = 0x26;
constexpr int kVkDown = 0x28;
constexpr std::size_t kTitleColumn = 3;

// WM_ACTIVATE sent, then BM_CLICK posted.
void press(Form1& form, Hwnd button) {
  form.ports.windows.activate(button);
  // Not waited for: the controller's windows tell what came of it.
  (void)form.ports.windows.click(button, platform::ClickMode::Posted, 0);
}

// Idle: only play can be pressed; playing: everything but play.
void setPlaying(Form1& form, bool playing) {
  for (Control* c : std::initializer_list<Control*>{&form.ListView1, &form.Command1, &form.Command3,
                                                    &form.Command5, &form.Command8})
    c->setEnabled(!playing);
  form.RC_SOUSA[0].setEnabled(!playing);
  for (std::size_t i = 1; i < form.RC_SOUSA.size(); ++i) form.RC_SOUSA[i].setEnabled(playing);
}

}  // namespace

void Form1::RC_SOUSA_Click(std::int16_t index) {
  TextBox* const buttons[] = {&rc_saisei_btn, &rc_makimodosi_btn, &rc_hayaokuri_btn,
                              &rc_freeze_btn, &rc_slow_btn,       &rc_teisi_btn};
  if (index < 0 || index > 5) return;
  // A map entry that holds no handle presses nothing (the controller was never mapped).
  Hwnd button = 0;
  try {
    button = parseHandleText(buttons[index]->text());
  } catch (const RunError&) {
    return;
  }
  if (index == 0) {
    const std::size_t row = ListView1.selectedRow();
    if (row == 0) return;
    Hwnd list = 0;
    try {
      list = parseHandleText(rc_rec_list.text());
    } catch (const RunError&) {
      return;
    }
    ports.windows.listBoxSetCurSel(list, static_cast<int>(row) - 1);
    Frame10.setCaption(ListView1.item(row).subItem(kTitleColumn));
    // Away and back, so that the controller takes the selection as its own.
    const bool last = row == ListView1.count();
    ports.windows.keyDown(list, last ? kVkUp : kVkDown);
    ports.windows.keyDown(list, last ? kVkDown : kVkUp);
    press(*this, button);
    ports.clock.sleep(500);
    setPlaying(*this, true);
    return;
  }
  press(*this, button);
  if (index == 5) {
    Frame10.setCaption("");
    setPlaying(*this, false);
  }
}

}  // namespace varnolt
