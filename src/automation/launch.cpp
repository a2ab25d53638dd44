// Starting the controller, waiting for its window and mapping its controls.
#include "automation/window_list.hpp"

namespace varnolt {

using controls::ListItem;
using controls::TextBox;

namespace {

struct MapRule {
  TextBox Form1::*entry;
  const char* className;
  const char* caption;  // nullptr: any caption
};

// In this order every row is tested; the details text is looked up by the size reader.
constexpr MapRule kMapRules[] = {
    {&Form1::rc_rec_list, "ListBox", nullptr},
    {&Form1::rc_setuzoku_btn, "Button", "接続"},
    {&Form1::rc_dir_btn, "Button", "ﾃﾞｨﾚｸﾄﾘ"},
    {&Form1::rc_pcdown_btn, "Button", "PCで再生"},
    {&Form1::rc_end_btn, "Button", "終了"},
    {&Form1::rc_slider, "msctls_trackbar32", "Slider1"},
    {&Form1::rc_stop_btn, "Button", "中断"},
    {&Form1::rc_zyusin_btn, "Button", "受信"},
    {&Form1::rc_saisei_btn, "Button", "再生"},
    {&Form1::rc_teisi_btn, "Button", "停止"},
    {&Form1::rc_makimodosi_btn, "Button", "巻戻し"},
    {&Form1::rc_hayaokuri_btn, "Button", "早送り"},
    {&Form1::rc_freeze_btn, "Button", "フリーズ"},
    {&Form1::rc_slow_btn, "Button", "スロー"},
    {&Form1::Rc_Rec_Column_Lock, "Button", "Lock"},
    {&Form1::Rc_Rec_Column_Title, "Button", "タイトル"},
    {&Form1::Rc_Rec_Column_Day, "Button", "録画日時"},
    {&Form1::Rc_Rec_Column_Time, "Button", "録画時間"},
    {&Form1::Rc_Rec_Column_BitLate, "Button", "ﾋﾞｯﾄﾚｰﾄ"},
};

constexpr int kMaxPasses = 10;

}  // namespace

void fillControlMap(Form1& form) {
  for (std::size_t r = 1; r <= form.ListView3.count(); ++r) {
    const ListItem& row = form.ListView3.item(r);
    for (const auto& rule : kMapRules) {
      if (row.subItem(1) != rule.className) continue;
      if (rule.caption && row.subItem(2) != rule.caption) continue;
      (form.*rule.entry).setText(row.text);
    }
  }
}

void Form1::Command3_Click() {
  try {
    auto clearPanels = [this] {
      for (std::size_t i = 1; i <= StatusBar1.panelCount(); ++i) StatusBar1.setPanel(i, "");
    };
    clearPanels();
    statusAndLog("「ロクラク起動」ボタンクリック");
    clearPanels();
    ListView1.clear();
    ListView2.clear();
    ListView3.clear();
    ListView4.clear();
    GetTopWindBtn_Click();

    if (Label2.caption() == kNotRegistered && StatusBar1.panel(2).empty()) {
      msgBox("ロクラク・コントローラを登録してください");
      return;
    }
    if (StatusBar1.panel(2).empty()) {
      const std::uint32_t pid = ports.shell.startProgram(Label2.caption());
      if (pid == 0) {
        msgBox("ロクラクコントローラの起動に失敗しました");
        return;
      }
    }

    int passes = 0;
    do {
      GetTopWindBtn_Click();
      ports.clock.doEvents();
      ports.clock.sleep(1000);
      if (++passes == kMaxPasses) {
        msgBox("ロクラクコントローラの起動に失敗したようです");
        return;
      }
    } while (StatusBar1.panel(2).empty());

    if (controllerRefuses()) return;
    ports.clock.sleep(1000);
    StartUpChildList::EnumChildWindows(*this, parseHandleText(StatusBar1.panel(4)), ListView3);
    fillControlMap(*this);
    Command1.setEnabled(true);
    if (ListView10.count() >= 1) Command9.setEnabled(true);
  } catch (const RunError& e) {
    if (e.number() == run_error::kFileNotFound)
      msgBox("エラー" + std::to_string(e.number()) +
             "『「ロクラク・コントローラ」を登録』部分を確認して見てください");
    else
      msgBox(std::to_string(e.number()) + e.description());
  }
}

}  // namespace varnolt
