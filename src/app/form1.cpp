#include "app/form1.hpp"

namespace varnolt {

namespace {

std::vector<std::string> optionCaptions() {
  return {"サスペンド",
          "休止状態",
          "ログオフ",
          "リブート",
          "シャットダウン",
          "何もしない",
          "本ソフトのみ終了する",
          "ﾛｸﾗｸ・ｺﾝﾄﾛｰﾗを終了する",
          "本ソフトとﾛｸﾗｸ・ｺﾝﾄﾛｰﾗを終了する"};
}

std::vector<std::string> tabCaptions() {
  return {"ダウンロード",  "ファイル名設定リスト(開発中）", "ストリーム変換", "ログ", "環境設定",
          "開発者専用タブ"};
}

template <typename T, typename... Args>
std::vector<std::unique_ptr<T>> makeArray(const std::string& base, std::size_t n,
                                          const std::vector<std::string>& captions) {
  std::vector<std::unique_ptr<T>> v;
  for (std::size_t i = 0; i < n; ++i)
    v.push_back(std::make_unique<T>(base + "(" + std::to_string(i) + ")",
                                    i < captions.size() ? captions[i] : std::string()));
  return v;
}

}  // namespace

std::string appFile(const Form1& f, std::string_view name) {
  return f.os.appPath + "\\" + std::string(name);
}

Form1::Form1(platform::Platform& platform)
    : os(platform), Option1("Option1", optionCaptions()), SSTab1("SSTab1", tabCaptions()) {
  RC_SOUSA = makeArray<Button>("RC_SOUSA", 6,
                               {"再生", "←巻戻し", "早送り→", "フリーズ", "スロー", "停止"});
  for (std::size_t i = 0; i <= 10; ++i)
    Line1.push_back(std::make_unique<Line>("Line1(" + std::to_string(i) + ")"));
  youbi = makeArray<CheckBox>("youbi", 7, {"", "", "", "", "", "", ""});
  // Labels of the rule entry form; only their captions matter.
  for (const char* c :
       {"番組名", "終了時刻", "開始時刻", "：", "：", "日", "月", "火", "水", "木", "金", "土"})
    ruleLabels.push_back(
        std::make_unique<Label>("Label4(" + std::to_string(ruleLabels.size()) + ")", c));
  Label1 =
      makeArray<Label>("Label1", 6,
                       {"Slider1のHandle", "ﾄｯﾌﾟﾚﾍﾞﾙｳｨﾝﾄﾞｳ列挙", "ﾛｸﾗｸｺﾝﾄﾛｰﾗの子ｳｨﾝﾄﾞｳ列挙",
                        "ListBoxのHandle", "受信ﾎﾞﾀﾝのHandle", "ﾀﾞｲﾔﾛｸﾞ等のｳｨﾝﾄﾞｳ内Handle列挙"});
  Label3 = makeArray<Label>(
      "Label3", 20, {"RC録画ﾘｽﾄ",    "接続ボタン", "RCﾃﾞﾚｸﾄﾘﾎﾞﾀﾝ", "RCPCで再生ﾎﾞﾀﾝ", "RCDATA内容",
                     "RC終了ﾎﾞﾀﾝ",   "RCｽﾗｲﾀﾞｰ",   "RC中断ﾎﾞﾀﾝ",   "lock",           "title",
                     "day",          "time",       "BitLate",      "RC受信ボタン",   "RC再生ボタン",
                     "RC停止ボタン", "RC巻戻",     "RC早送",       "フリーズ",       "フリーズ"});

  // Design state.
  Option1[5].setValue(true);
  Option1[0].toolTipText = "マシンをサスペンド（スタンバイ）状態にします";
  Option1[1].toolTipText = "マシンを休止状態にします";
  Option1[2].toolTipText = "マシンをログオフします";
  Option1[3].toolTipText = "マシンを再起動します";
  Option1[4].toolTipText = "マシンを終了します";
  Check3.setEnabled(false);
  Command1.setEnabled(false);
  Command5.setEnabled(false);
  Command8.setEnabled(false);
  Command9.setEnabled(false);
  Command6.setEnabled(false);
  for (auto& b : RC_SOUSA) b->setEnabled(false);
  pulldown_download.setVisible(false);
  pulldown_m2tlist.setVisible(false);
  pulldown_help_help.shortcut = "F1";
  DTPicker1.customFormat = "yy/MM/dd(ddd)";
  ProgressBar1.setMax(1);

  ListView1.columns = {{"", 529},
                       {"カウント", 882},
                       {"Lock", 706},
                       {"タイトル", 7937},
                       {"録画日時", 2117},
                       {"録画時間", 1411},
                       {"ビットレート", 882},
                       {"FileSize(MB)", 1058, true},
                       {"連続ｽﾄﾘｰﾑ変換時親ﾊﾟｽ", 2540}};
  ListView1.columnUnitsPerInch = 2540;
  ListView10.columns = {{"", 600},
                        {"戻り値", 1500},
                        {"m2t元ファイル名", 2500},
                        {"m2tフルパス", 4000},
                        {"m2tの親ﾊﾟｽ", 4000},
                        {"mpg親パス", 2500}};
  for (ListView* lv : {&ListView2, &ListView3, &ListView4})
    lv->columns = {{"Handle", 1000}, {"classname", 1500}, {"Caption", 2500}};
  // 毎週 holds seven full-width characters; the times five digits and a colon.
  AutoFNameView.columns = {{"適用", 600},      {"開始日（日）", 1500}, {"毎週", 1800},
                           {"開始時刻", 1000}, {"終了時刻", 1000},     {"ファイル名", 3000}};

  registerControls();
  applyDesign();
  wireHandlers();
  watchRunProgress();
}

void Form1::add(Control& c, std::string container, int tab) {
  c.container = std::move(container);
  c.tab = tab;
  order_.push_back(&c);
  byName_[c.name()] = &c;
}

void Form1::registerControls() {
  add(SSTab1, "", -1);
  // Tab 0.
  add(ListView1, "SSTab1", 0);
  add(Frame6, "SSTab1", 0);
  for (Control* c : std::initializer_list<Control*>{&Command5, &Command1, &Command8, &Timer1,
                                                    &Check1, &ProgressBar1, &Frame7})
    add(*c, "Frame6", 0);
  add(Check3, "Frame7", 0);
  // The remote, the gauge texts and the lines sit in Frame6 too, so that they move with
  // it when the window grows and the recording list takes the room.
  add(Frame10, "Frame6", 0);
  for (auto& b : RC_SOUSA) add(*b, "Frame10", 0);
  add(Label7, "Frame6", 0);
  add(Label6, "Frame6", 0);
  add(Label5, "Frame6", 0);
  for (auto& l : Line1) add(*l, "Frame6", 0);
  // Tab 1.
  add(AutoFNameView, "SSTab1", 1);
  add(Frame12, "SSTab1", 1);
  add(Command14, "Frame12", 1);
  add(Command13, "Frame12", 1);
  add(Picture3, "Frame12", 1);
  add(End_H, "Picture3", 1);
  add(End_M, "Picture3", 1);
  add(Picture2, "Frame12", 1);
  add(Start_H, "Picture2", 1);
  add(Start_M, "Picture2", 1);
  for (auto& y : youbi) add(*y, "Frame12", 1);
  add(Rec_Taitle, "Frame12", 1);
  add(DTPicker1, "Frame12", 1);
  for (auto& l : ruleLabels) add(*l, "Frame12", 1);
  // Tab 2.
  add(Frame9, "SSTab1", 2);
  for (Control* c : std::initializer_list<Control*>{&Check2, &Command9, &Timer2, &Command6})
    add(*c, "Frame9", 2);
  add(ListView10, "SSTab1", 2);
  // Tab 3.
  add(Text5, "SSTab1", 3);
  // Tab 4.
  add(Frame4, "SSTab1", 4);
  add(Frame2, "Frame4", 4);
  add(Command10, "Frame2", 4);
  add(Text4, "Frame2", 4);
  add(Frame1, "Frame4", 4);
  add(Command7, "Frame1", 4);
  add(Label2, "Frame1", 4);
  add(Frame11, "Frame4", 4);
  add(Check4, "Frame11", 4);
  add(Frame5, "SSTab1", 4);
  for (std::size_t i = 0; i < Option1.size(); ++i) add(Option1[i], "Frame5", 4);
  // Tab 5.
  add(Frame3, "SSTab1", 5);
  for (Control* c : std::initializer_list<Control*>{
           &ListView2, &ListView3, &ListView4, &GetTopWindBtn, &Command2, &Command4, &Command11,
           &Command12, &Command15, &Text101, &Text100})
    add(*c, "Frame3", 5);
  for (TextBox* t : controlMap()) add(*t, "Frame3", 5);
  for (auto& l : Label1) add(*l, "Frame3", 5);
  for (auto& l : Label3) add(*l, "Frame3", 5);
  // Below the tabs.
  add(Frame8, "", -1);
  add(Command3, "Frame8", -1);
  add(Slider1, "Frame8", -1);
  add(CommonDialog1, "Frame8", -1);
  add(Label100, "Frame8", -1);
  add(StatusBar1, "", -1);
  // Menus.
  for (MenuItem* m :
       {&pulldown_file, &pulldown_file_end, &pulldown_help, &pulldown_help_help, &pulldown_help_ver,
        &pulldown_download, &pulldown_download_mpgPalent, &pulldown_m2tlist,
        &pulldown_m2tlist_all_No_check, &pulldown_m2tlist_all_check, &pulldown_line1,
        &pulldown_m2tlist_SHOKI, &pulldown_line3, &pulldown_m2tlist_mpg_RePath, &pulldown_line2,
        &pulldown_m2tlist_1ldel, &pulldown_m2tlist_alldel})
    add(*m, m->parent, -1);
}

void Form1::wireHandlers() {
  SSTab1.onClick = [this](int prev) { SSTab1_Click(prev); };
  pulldown_file_end.onClick = [this] { pulldown_file_end_Click(); };
  pulldown_help_help.onClick = [this] { pulldown_help_help_Click(); };
  pulldown_help_ver.onClick = [this] { pulldown_help_ver_Click(); };
  Check1.onClick = [this] { Check1_Click(); };
  Check2.onClick = [this] { Check2_Click(); };
  Check3.onClick = [this] { Check3_Click(); };
  Check4.onClick = [this] { Check4_Click(); };
  ListView1.onItemCheck = [this](std::size_t row) { ListView1_ItemCheck(row); };
  ProgressBar1.onMouseDown = [this] { ProgressBar1_MouseDown(); };
  Command1.onClick = [this] { Command1_Click(); };
  ListView1.onColumnClick = [this](int index) { ListView1_ColumnClick(index); };
  ListView1.onRightClick = [this] { ListView1_MouseDown(2); };
  ListView10.onRightClick = [this] { ListView10_MouseDown(2); };
  for (std::size_t i = 0; i < RC_SOUSA.size(); ++i)
    RC_SOUSA[i]->onClick = [this, i] { RC_SOUSA_Click(static_cast<std::int16_t>(i)); };
  GetTopWindBtn.onClick = [this] { GetTopWindBtn_Click(); };
  Command2.onClick = [this] { Command2_Click(); };
  Command4.onClick = [this] { Command4_Click(); };
  Command5.onClick = [this] { Command5_Click(); };
  Command8.onClick = [this] { Command8_Click(); };
  Timer1.onTimer = [this] { Timer1_Timer(); };
  Command3.onClick = [this] { Command3_Click(); };
  Command7.onClick = [this] { Command7_Click(); };
  Command10.onClick = [this] { Command10_Click(); };
  Command11.onClick = [this] { Command11_Click(); };
  Command12.onClick = [this] { Command12_Click(); };
  Command15.onClick = [this] { Command15_Click(); };
  Command13.onLostFocus = [this] { Command13_LostFocus(); };
  Command2.onLostFocus = [this] { Command2_LostFocus(); };
  Command13.onClick = [this] { Command13_Click(); };
  Start_H.onGotFocus = [this] { Start_H_GotFocus(); };
  Start_M.onGotFocus = [this] { Start_M_GotFocus(); };
  End_H.onGotFocus = [this] { End_H_GotFocus(); };
  End_M.onGotFocus = [this] { End_M_GotFocus(); };
  ListView10.onOLEDragDrop = [this](const std::vector<std::string>& paths) {
    ListView10_OLEDragDrop(paths);
  };
  Command9.onClick = [this] { Command9_Click(); };
  Command6.onClick = [this] { Command6_Click(); };
  Timer2.onTimer = [this] { Timer2_Timer(); };
  pulldown_m2tlist_all_No_check.onClick = [this] { pulldown_m2tlist_all_No_check_Click(); };
  pulldown_m2tlist_all_check.onClick = [this] { pulldown_m2tlist_all_check_Click(); };
  pulldown_m2tlist_SHOKI.onClick = [this] { pulldown_m2tlist_SHOKI_Click(); };
  pulldown_m2tlist_mpg_RePath.onClick = [this] { pulldown_m2tlist_mpg_RePath_Click(); };
  pulldown_m2tlist_1ldel.onClick = [this] { pulldown_m2tlist_1ldel_Click(); };
  pulldown_m2tlist_alldel.onClick = [this] { pulldown_m2tlist_alldel_Click(); };
  pulldown_download_mpgPalent.onClick = [this] { pulldown_download_mpgPalent_Click(); };
}

std::array<TextBox*, 20> Form1::controlMap() {
  return {&rc_rec_list,
          &rc_setuzoku_btn,
          &rc_dir_btn,
          &rc_pcdown_btn,
          &rc_recdata,
          &rc_end_btn,
          &rc_slider,
          &rc_stop_btn,
          &Rc_Rec_Column_Lock,
          &Rc_Rec_Column_Title,
          &Rc_Rec_Column_Day,
          &Rc_Rec_Column_Time,
          &Rc_Rec_Column_BitLate,
          &rc_zyusin_btn,
          &rc_saisei_btn,
          &rc_teisi_btn,
          &rc_makimodosi_btn,
          &rc_hayaokuri_btn,
          &rc_freeze_btn,
          &rc_slow_btn};
}

Control* Form1::find(std::string_view name) {
  auto it = byName_.find(name);
  return it == byName_.end() ? nullptr : it->second;
}

int Form1::msgBox(std::string_view text, unsigned flags, std::string_view title) {
  return os.dialogs.messageBox(text, title, flags);
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
