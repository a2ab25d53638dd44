// The main window: its controls, its window-level variables and every handler.
// Handlers are defined in the folder of the subsystem that owns them; each group of
// declarations below names its file.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/run_progress.hpp"
#include "controls/controls.hpp"
#include "download/history.hpp"
#include "platform/platform.hpp"

namespace varnolt {

inline constexpr const char* kNotRegistered = "未登録";
inline constexpr const char* kNotSet = "未設定";
inline constexpr const char* kAppTitle = "Varnolt";

// The end-of-work choices: the index of the option button in Option1, which default.ini
// stores. None: no button is selected.
enum class EndOfWork : int {
  Suspend = 0,
  Hibernate = 1,
  LogOff = 2,
  Reboot = 3,
  PowerOff = 4,
  Nothing = 5,
  QuitVarnolt = 6,
  QuitController = 7,
  QuitBoth = 8,
  None = 9,
};

// What the night under way has done: one download or conversion run, from its start
// button to the end-of-work action, the conversion that follows the downloads included.
struct NightTally {
  // Between a run's start and the night's end or stop: the journal is kept meanwhile.
  bool active = false;
  // The last write of the journal failed (told once until one succeeds again).
  bool journalFailed = false;
  // What became of each recording of the night, by its row in ListView1.
  enum class Outcome { Todo, Saving, Done, Failed };
  std::map<std::size_t, Outcome> downloads;
  int downloaded = 0;
  int converted = 0;
  // What failed, in order: downloads by title, conversions by file name.
  std::vector<std::string> failed;
  // The download row whose completion poll last failed with a run-time error.
  std::int16_t time1FailedRow = 0;
};

// Window-level variables; booleans keep the runtime's -1 / 0 meaning as bool.
struct Form1State {
  bool exitFlag = false;
  // Layout bookkeeping in twips; 32-bit so that windows wider than 32767 twips
  // (large monitors) keep their layout instead of failing on overflow.
  int minWidth = 0, minHeight = 0;
  int prevWidth = 0, prevHeight = 0;
  std::int16_t downloadPosition = 0;
  std::string downloadPath, downloadMpgFolder;
  // The save dialog of the row at the download position was confirmed: a transfer of
  // this row, and no earlier one, is what the completion poll waits for.
  bool downloadConfirmed = false;
  std::int16_t ConvRow = 0;
  bool SameNameChecked = false;
  bool ConvStop = false;
  // The last run stopped on an error (the controller vanished, a run-time error).
  bool runError = false;
  std::int16_t bytecheck = 0;
  std::string RanSavePalentPath;
  NightTally night;
  // The system is told that it is required (it does not sleep for idleness).
  bool awake = false;
};

class Form1 {
 public:
  explicit Form1(platform::Platform& platform);
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  platform::Platform& ports;
  Form1State state;

 private:
  // Declared before the controls: each joins it as it is constructed, so that the order
  // of their declarations is the order of the controls (of their windows and of a dump).
  controls::ControlList controls_;
  // On page `k` of SSTab1.
  controls::Where page(int k) const { return {&SSTab1, k}; }
  // Design rectangles of the controls laid out in rows.
  static controls::Rect remoteKey(int i) { return {90 + i * 880, 210, 840, 420}; }
  static controls::Rect dayBox(int i) { return {2700 + i * 600, 750, 270, 270}; }
  static controls::Rect dayLabel(int i) { return {2970 + i * 600, 765, 300, 255}; }
  // The control map: four to a row, a name and its handle text (eight hexadecimal
  // digits) side by side.
  static controls::Rect mapName(int i) {
    return {120 + i % 4 * 2480, 3510 + i / 4 * 480, 1400, 255};
  }
  static controls::Rect mapHandle(int i) {
    return {1520 + i % 4 * 2480, 3480 + i / 4 * 480, 1000, 300};
  }
  static controls::ControlArray<controls::Line>::Element unusedLine() {
    return {.initially = {.visible = false}};
  }
  // The developer tab's window lists.
  static controls::ListViewDesign windowList() {
    return {.columns = {{"Handle", 1000}, {"classname", 1500}, {"Caption", 2500}}};
  }

 public:
  // --- window ---------------------------------------------------------------
  std::string caption = kAppTitle;
  // Outer size of the window in twips, as the window reports it.
  int width = 0, height = 0;
  // Set when the window has accepted a close request.
  bool closed = false;
  // Resizes the real window; the backend raises Form_Resize afterwards. Unset, the
  // size is taken as given and Form_Resize raised directly.
  std::function<void(int width, int height)> resizeWindow;
  // Closes the real window once a close request was accepted.
  std::function<void()> destroyWindow;
  // Shows a top-level menu as a pop-up at the mouse position; a chosen item raises its
  // click as usual.
  std::function<void(controls::MenuItem& menu)> showPopup;
  // Name of the control holding the keyboard focus, "" when unknown.
  std::string focused;
  // Puts the real keyboard focus where setFocus sent it (set by a window backend).
  std::function<void(controls::Control&)> focusWindow;
  // Told of every line logAdd puts in front of the log (the headless runner prints them).
  std::function<void(std::string_view line)> onLogLine;
  // Told of every change of runProgress().
  std::function<void(const RunProgress&)> onRunProgress;

  // --- the controls ------------------------------------------------------------------
  // Each control is declared once, here: its kind, name, container and page, design
  // rectangle (twips, relative to the container), caption, the state it starts in and
  // the handlers it raises. The order of the declarations is the order of the controls:
  // a container comes before what it holds.

  controls::TabControl SSTab1{{controls_, "SSTab1", {}, {60, 60, 10290, 6420}},
                              {"ダウンロード", "ファイル名設定リスト(開発中）", "ストリーム変換",
                               "ログ", "環境設定", "開発者専用タブ"},
                              {.onClick = [this](int previousTab) { SSTab1_Click(previousTab); }}};

  // Page 0, download: the recording list fills the page; below it Frame6 holds the remote
  // and the gauge texts on the left, the download commands and the gauge on the right.
  controls::ListView ListView1{
      {controls_, "ListView1", page(0), {90, 420, 10110, 4080}},
      {.checkBoxes = true,
       .columns = {{"", 529},
                   {"カウント", 882},
                   {"Lock", 706},
                   {"タイトル", 7937},
                   {"録画日時", 2117},
                   {"録画時間", 1411},
                   {"ビットレート", 882},
                   {"FileSize(MB)", 1058, true},
                   {"連続ｽﾄﾘｰﾑ変換時親ﾊﾟｽ", 2540}},
       .columnUnitsPerInch = 2540},
      {.onItemCheck = [this](std::size_t row) { ListView1_ItemCheck(row); },
       .onColumnClick = [this](int index) { ListView1_ColumnClick(index); },
       .onRightClick = [this] { ListView1_MouseDown(2); }}};
  controls::Frame Frame6{{controls_, "Frame6", page(0), {90, 4560, 10110, 1800}}};
  controls::Button Command5{
      {controls_, "Command5", in(Frame6), {5580, 210, 1440, 420}, {.enabled = false}},
      "ﾘｽﾄ選択してﾀﾞｳﾝ",
      {.onClick = [this] { Command5_Click(); }}};
  controls::Button Command1{
      {controls_, "Command1", in(Frame6), {7080, 210, 1440, 420}, {.enabled = false}},
      "リスト取得",
      {.onClick = [this] { Command1_Click(); }}};
  controls::Button Command8{
      {controls_, "Command8", in(Frame6), {8580, 210, 1410, 420}, {.enabled = false}},
      "中止",
      {.onClick = [this] { Command8_Click(); }}};
  controls::Timer Timer1{
      {controls_, "Timer1", in(Frame6)}, 3000, {.onTimer = [this] { Timer1_Timer(); }}};
  controls::CheckBox Check1{{controls_, "Check1", in(Frame6), {5580, 690, 4410, 255}},
                            "DL後にストリーム変換も行う",
                            {.onClick = [this] { Check1_Click(); }}};
  controls::ProgressBar ProgressBar1{
      {controls_, "ProgressBar1", in(Frame6), {5580, 990, 4410, 225}},
      {.onMouseDown = [this] { ProgressBar1_MouseDown(); }}};
  controls::Frame Frame7{{controls_, "Frame7", in(Frame6), {5580, 1260, 4410, 480}}};
  controls::CheckBox Check3{
      {controls_, "Check3", in(Frame7), {90, 180, 4230, 255}, {.enabled = false}},
      "サイズ比較をクリアしたら元m2tファイルは削除",
      {.onClick = [this] { Check3_Click(); }}};
  // The remote, the gauge texts and the lines sit in Frame6 too, so that they move with
  // it when the window grows and the recording list takes the room.
  controls::Frame Frame10{{controls_, "Frame10", in(Frame6), {60, 150, 5400, 690}}};
  controls::ControlArray<controls::Button> RC_SOUSA{
      controls_,
      "RC_SOUSA",
      in(Frame10),
      {{"再生", remoteKey(0), {.enabled = false}},
       {"←巻戻し", remoteKey(1), {.enabled = false}},
       {"早送り→", remoteKey(2), {.enabled = false}},
       {"フリーズ", remoteKey(3), {.enabled = false}},
       {"スロー", remoteKey(4), {.enabled = false}},
       {"停止", remoteKey(5), {.enabled = false}}},
      [this](controls::Button& key, std::size_t index) {
        key.onClick = [this, index] { RC_SOUSA_Click(static_cast<std::int16_t>(index)); };
      }};
  controls::Label Label7{{controls_, "Label7", in(Frame6), {60, 930, 5400, 255}},
                         "※同時ストリーム変換時は最大で倍以上空きが必要です "};
  controls::Label Label6{{controls_, "Label6", in(Frame6), {60, 1215, 5400, 255}}};
  controls::Label Label5{{controls_, "Label5", in(Frame6), {60, 1500, 5400, 255}}, "0"};
  // The separator under the remote; Line1(1) to Line1(10) are unused designs, hidden.
  controls::ControlArray<controls::Line> Line1{controls_,
                                               "Line1",
                                               in(Frame6),
                                               {{"", {60, 870, 5400, 15}},
                                                unusedLine(),
                                                unusedLine(),
                                                unusedLine(),
                                                unusedLine(),
                                                unusedLine(),
                                                unusedLine(),
                                                unusedLine(),
                                                unusedLine(),
                                                unusedLine(),
                                                unusedLine()}};

  // Page 1, file-name rules: the rule list above the entry form.
  controls::ListView AutoFNameView{
      {controls_, "AutoFNameView", page(1), {90, 420, 10110, 3300}},
      // 毎週 holds seven full-width characters; the times five digits and a colon.
      {.columns = {{"適用", 600},
                   {"開始日（日）", 1500},
                   {"毎週", 1800},
                   {"開始時刻", 1000},
                   {"終了時刻", 1000},
                   {"ファイル名", 3000}}}};
  controls::Frame Frame12{{controls_, "Frame12", page(1), {90, 3780, 10110, 2580}}};
  controls::Button Command14{{controls_, "Command14", in(Frame12), {1440, 1800, 1200, 420}},
                             "取消"};
  controls::Button Command13{
      {controls_, "Command13", in(Frame12), {120, 1800, 1200, 420}},
      "追加",
      {.onClick = [this] { Command13_Click(); }, .onLostFocus = [this] { Command13_LostFocus(); }}};
  // The end time: hours and minutes.
  controls::Picture Picture3{{controls_, "Picture3", in(Frame12), {3480, 1170, 1200, 375}}};
  controls::TextBox End_H{{controls_, "End_H", in(Picture3), {0, 0, 450, 375}},
                          "00",
                          false,
                          {.onGotFocus = [this] { End_H_GotFocus(); }}};
  controls::TextBox End_M{{controls_, "End_M", in(Picture3), {720, 0, 450, 375}},
                          "00",
                          false,
                          {.onGotFocus = [this] { End_M_GotFocus(); }}};
  // The start time: hours and minutes.
  controls::Picture Picture2{{controls_, "Picture2", in(Frame12), {1080, 1170, 1200, 375}}};
  controls::TextBox Start_H{{controls_, "Start_H", in(Picture2), {0, 0, 450, 375}},
                            "00",
                            false,
                            {.onGotFocus = [this] { Start_H_GotFocus(); }}};
  controls::TextBox Start_M{{controls_, "Start_M", in(Picture2), {720, 0, 450, 375}},
                            "00",
                            false,
                            {.onGotFocus = [this] { Start_M_GotFocus(); }}};
  // The days of the week, Sunday first.
  controls::ControlArray<controls::CheckBox> youbi{controls_,
                                                   "youbi",
                                                   in(Frame12),
                                                   {{"", dayBox(0)},
                                                    {"", dayBox(1)},
                                                    {"", dayBox(2)},
                                                    {"", dayBox(3)},
                                                    {"", dayBox(4)},
                                                    {"", dayBox(5)},
                                                    {"", dayBox(6)}}};
  controls::TextBox Rec_Taitle{{controls_, "Rec_Taitle", in(Frame12), {1080, 240, 5400, 330}}};
  controls::DatePicker DTPicker1{{controls_, "DTPicker1", in(Frame12), {120, 720, 2400, 330}},
                                 "yy/MM/dd(ddd)"};
  // The labels of the entry form; the time separators sit in their time boxes.
  controls::ControlArray<controls::Label> ruleLabels{controls_,
                                                     "Label4",
                                                     in(Frame12),
                                                     {{"番組名", {120, 300, 900, 255}},
                                                      {"終了時刻", {2520, 1230, 900, 255}},
                                                      {"開始時刻", {120, 1230, 900, 255}},
                                                      {"：", {480, 60, 240, 255}, {}, &Picture3},
                                                      {"：", {480, 60, 240, 255}, {}, &Picture2},
                                                      {"日", dayLabel(0)},
                                                      {"月", dayLabel(1)},
                                                      {"火", dayLabel(2)},
                                                      {"水", dayLabel(3)},
                                                      {"木", dayLabel(4)},
                                                      {"金", dayLabel(5)},
                                                      {"土", dayLabel(6)}}};

  // Page 2, stream conversion: the conversion list above the conversion commands.
  controls::Frame Frame9{{controls_, "Frame9", page(2), {3990, 5160, 6210, 1200}}};
  controls::CheckBox Check2{{controls_, "Check2", in(Frame9), {120, 240, 5970, 255}},
                            "変換後、サイズ比較をクリアしたら元m2tファイルは削除する",
                            {.onClick = [this] { Check2_Click(); }}};
  controls::Button Command9{
      {controls_, "Command9", in(Frame9), {120, 600, 3000, 480}, {.enabled = false}},
      "PCで再生（ストリーム変換）",
      {.onClick = [this] { Command9_Click(); }}};
  controls::Timer Timer2{
      {controls_, "Timer2", in(Frame9)}, 3000, {.onTimer = [this] { Timer2_Timer(); }}};
  controls::Button Command6{
      {controls_, "Command6", in(Frame9), {3240, 600, 1500, 480}, {.enabled = false}},
      "中　止",
      {.onClick = [this] { Command6_Click(); }}};
  controls::ListView ListView10{
      {controls_, "ListView10", page(2), {90, 420, 10110, 4680}},
      {.checkBoxes = true,
       .columns = {{"", 600},
                   {"戻り値", 1500},
                   {"m2t元ファイル名", 2500},
                   {"m2tフルパス", 4000},
                   {"m2tの親ﾊﾟｽ", 4000},
                   {"mpg親パス", 2500}}},
      {.onRightClick = [this] { ListView10_MouseDown(2); },
       .onOLEDragDrop =
           [this](const std::vector<std::string>& paths) { ListView10_OLEDragDrop(paths); }}};
  // Left of Frame9, below the list: says why the list takes no files while Check1 holds it.
  controls::Label Label8{{controls_, "Label8", page(2), {90, 5220, 3780, 1080}, {.visible = false}},
                         "「DL後にストリーム変換も行う」がオンの間、このリストはダウンロードした"
                         "ファイルだけを受け取ります（追加・削除はできません）"};

  // Page 3, the work log, filling the page.
  controls::TextBox Text5{{controls_, "Text5", page(3), {90, 420, 10110, 5940}}, "", true};

  // Page 4, settings: folders and switches above, the end-of-work choice below them.
  controls::Frame Frame4{{controls_, "Frame4", page(4), {90, 420, 6300, 3780}}, "ダウンロード作業"};
  controls::Frame Frame2{{controls_, "Frame2", in(Frame4), {120, 300, 6060, 900}},
                         "ダウンロードのデフォルトパス"};
  controls::Button Command10{{controls_, "Command10", in(Frame2), {120, 300, 1200, 420}},
                             "パス取得",
                             {.onClick = [this] { Command10_Click(); }}};
  controls::TextBox Text4{{controls_, "Text4", in(Frame2), {1440, 330, 4500, 330}}, kNotSet};
  controls::Frame Frame1{{controls_, "Frame1", in(Frame4), {120, 1320, 6060, 900}},
                         "「ロクラク・コントローラ」を登録"};
  controls::Button Command7{{controls_, "Command7", in(Frame1), {120, 300, 1200, 420}},
                            "ＲＣ選択",
                            {.onClick = [this] { Command7_Click(); }}};
  controls::Label Label2{{controls_, "Label2", in(Frame1), {1440, 375, 4500, 255}}, kNotRegistered};
  controls::Frame Frame11{{controls_, "Frame11", in(Frame4), {120, 2340, 6060, 1260}},
                          "ロクラク・コントローラとの問題について"};
  controls::CheckBox Check4{{controls_, "Check4", in(Frame11), {120, 300, 5820, 510}},
                            "ロクラクコントローラの仕様制限によりサイズ取得をしない　（できない）",
                            {.onClick = [this] { Check4_Click(); }}};
  controls::Frame Frame5{{controls_, "Frame5", page(4), {90, 4260, 10110, 1260}},
                         "作業が終了したら次の動作をする"};
  // Two rows: what happens to the programs (5, 6, 7, 8), then what happens to the machine
  // (0, 2, 1, 3, 4), left to right. The index, not the place, is what is stored.
  controls::OptionGroup Option1{
      controls_,
      "Option1",
      in(Frame5),
      {{"サスペンド",
        {150, 780, 1440, 300},
        {.toolTip = "マシンをサスペンド（スタンバイ）状態にします"}},
       {"休止状態", {3150, 780, 1440, 300}, {.toolTip = "マシンを休止状態にします"}},
       {"ログオフ", {1650, 780, 1440, 300}, {.toolTip = "マシンをログオフします"}},
       {"リブート", {4650, 780, 1440, 300}, {.toolTip = "マシンを再起動します"}},
       {"シャットダウン", {6150, 780, 1740, 300}, {.toolTip = "マシンを終了します"}},
       {"何もしない", {150, 300, 1440, 300}},
       {"本ソフトのみ終了する", {1650, 300, 2190, 300}},
       {"ﾛｸﾗｸ・ｺﾝﾄﾛｰﾗを終了する", {3900, 300, 2640, 300}},
       {"本ソフトとﾛｸﾗｸ・ｺﾝﾄﾛｰﾗを終了する", {6600, 300, 3390, 300}}},
      static_cast<int>(EndOfWork::Nothing)};
  // The nightly task (app/nightly_task.cpp): its state is what the Task Scheduler keeps.
  controls::Frame Frame13{{controls_, "Frame13", page(4), {6450, 420, 3750, 1800}},
                          "毎晩の自動実行"};
  controls::CheckBox Check5{{controls_, "Check5", in(Frame13), {120, 300, 3510, 300}},
                            "毎日この時刻に自動でダウンロードする",
                            {.onClick = [this] { Check5_Click(); }}};
  controls::TextBox Auto_H{{controls_, "Auto_H", in(Frame13), {120, 720, 450, 300}}, "03"};
  controls::Label Label9{{controls_, "Label9", in(Frame13), {600, 750, 210, 255}}, "："};
  controls::TextBox Auto_M{{controls_, "Auto_M", in(Frame13), {840, 720, 450, 300}}, "00"};
  controls::Button Command16{{controls_, "Command16", in(Frame13), {1440, 690, 1500, 390}},
                             "時刻を変更",
                             {.onClick = [this] { Command16_Click(); }}};
  controls::Label Label10{{controls_, "Label10", in(Frame13), {120, 1170, 3510, 510}}};
  // Reads the Task Scheduler once the window answers: its service may have to start first,
  // and the window does not wait for it.
  controls::Timer TimerTask{
      {controls_, "TimerTask", in(Frame13)}, 1, {.onTimer = [this] { nightlyTaskLoadPending(); }}};

  // Page 5, developer: three window lists, the tools and the controller control map.
  controls::Frame Frame3{{controls_, "Frame3", page(5), {90, 420, 10110, 5940}}, "開発者使用タブ"};
  controls::ListView ListView2{{controls_, "ListView2", in(Frame3), {120, 510, 3240, 1980}},
                               windowList()};
  controls::ListView ListView3{{controls_, "ListView3", in(Frame3), {3420, 510, 3240, 1980}},
                               windowList()};
  controls::ListView ListView4{{controls_, "ListView4", in(Frame3), {6720, 510, 3270, 1980}},
                               windowList()};
  // The tool buttons share one row; each is as wide as its caption needs.
  controls::Button GetTopWindBtn{{controls_, "GetTopWindBtn", in(Frame3), {120, 2580, 1800, 390}},
                                 "ﾄｯﾌﾟﾚﾍﾞﾙｳｨﾝﾄﾞｳ列挙",
                                 {.onClick = [this] { GetTopWindBtn_Click(); }}};
  controls::Button Command2{
      {controls_, "Command2", in(Frame3), {1980, 2580, 1350, 390}},
      "受信ﾎﾞﾀﾝｸﾘｯｸ",
      {.onClick = [this] { Command2_Click(); }, .onLostFocus = [this] { Command2_LostFocus(); }}};
  controls::Button Command4{{controls_, "Command4", in(Frame3), {3390, 2580, 1600, 390}},
                            "保存ウィンドウ保存",
                            {.onClick = [this] { Command4_Click(); }}};
  controls::Button Command11{{controls_, "Command11", in(Frame3), {5050, 2580, 1300, 390}},
                             "Command11",
                             {.onClick = [this] { Command11_Click(); }}};
  controls::Button Command12{{controls_, "Command12", in(Frame3), {6410, 2580, 1300, 390}},
                             "Command12",
                             {.onClick = [this] { Command12_Click(); }}};
  controls::Button Command15{{controls_, "Command15", in(Frame3), {7770, 2580, 2220, 390}},
                             "カラムのサイズチェック",
                             {.onClick = [this] { Command15_Click(); }}};
  controls::TextBox Text101{{controls_, "Text101", in(Frame3), {120, 3060, 2400, 300}},
                            "送り込みハンドル"};
  controls::TextBox Text100{{controls_, "Text100", in(Frame3), {2610, 3060, 2400, 300}}, "Text6"};
  // Controller control map: handle texts of the controller's controls, each beside its
  // name in Label3 (the same index).
  controls::TextBox rc_rec_list{{controls_, "rc_rec_list", in(Frame3), mapHandle(0)}};
  controls::TextBox rc_setuzoku_btn{{controls_, "rc_setuzoku_btn", in(Frame3), mapHandle(1)}};
  controls::TextBox rc_dir_btn{{controls_, "rc_dir_btn", in(Frame3), mapHandle(2)}};
  controls::TextBox rc_pcdown_btn{{controls_, "rc_pcdown_btn", in(Frame3), mapHandle(3)}};
  controls::TextBox rc_recdata{{controls_, "rc_recdata", in(Frame3), mapHandle(4)}};
  controls::TextBox rc_end_btn{{controls_, "rc_end_btn", in(Frame3), mapHandle(5)}};
  controls::TextBox rc_slider{{controls_, "rc_slider", in(Frame3), mapHandle(6)}};
  controls::TextBox rc_stop_btn{{controls_, "rc_stop_btn", in(Frame3), mapHandle(7)}};
  controls::TextBox Rc_Rec_Column_Lock{{controls_, "Rc_Rec_Column_Lock", in(Frame3), mapHandle(8)}};
  controls::TextBox Rc_Rec_Column_Title{
      {controls_, "Rc_Rec_Column_Title", in(Frame3), mapHandle(9)}};
  controls::TextBox Rc_Rec_Column_Day{{controls_, "Rc_Rec_Column_Day", in(Frame3), mapHandle(10)}};
  controls::TextBox Rc_Rec_Column_Time{
      {controls_, "Rc_Rec_Column_Time", in(Frame3), mapHandle(11)}};
  controls::TextBox Rc_Rec_Column_BitLate{
      {controls_, "Rc_Rec_Column_BitLate", in(Frame3), mapHandle(12)}};
  controls::TextBox rc_zyusin_btn{{controls_, "rc_zyusin_btn", in(Frame3), mapHandle(13)}};
  controls::TextBox rc_saisei_btn{{controls_, "rc_saisei_btn", in(Frame3), mapHandle(14)}};
  controls::TextBox rc_teisi_btn{{controls_, "rc_teisi_btn", in(Frame3), mapHandle(15)}};
  controls::TextBox rc_makimodosi_btn{{controls_, "rc_makimodosi_btn", in(Frame3), mapHandle(16)}};
  controls::TextBox rc_hayaokuri_btn{{controls_, "rc_hayaokuri_btn", in(Frame3), mapHandle(17)}};
  controls::TextBox rc_freeze_btn{{controls_, "rc_freeze_btn", in(Frame3), mapHandle(18)}};
  controls::TextBox rc_slow_btn{{controls_, "rc_slow_btn", in(Frame3), mapHandle(19)}};
  // The captions of the window lists and of the handle texts beside the tools.
  controls::ControlArray<controls::Label> Label1{
      controls_,
      "Label1",
      in(Frame3),
      {{"Slider1のHandle", {5100, 3090, 1600, 255}},
       {"ﾄｯﾌﾟﾚﾍﾞﾙｳｨﾝﾄﾞｳ列挙", {120, 240, 3240, 255}},
       {"ﾛｸﾗｸｺﾝﾄﾛｰﾗの子ｳｨﾝﾄﾞｳ列挙", {3420, 240, 3240, 255}},
       {"ListBoxのHandle", {6720, 3090, 1600, 255}},
       {"受信ﾎﾞﾀﾝのHandle", {8340, 3090, 1650, 255}},
       {"ﾀﾞｲﾔﾛｸﾞ等のｳｨﾝﾄﾞｳ内Handle列挙", {6720, 240, 3270, 255}}}};
  // The names of the control map's handle texts.
  controls::ControlArray<controls::Label> Label3{
      controls_,
      "Label3",
      in(Frame3),
      {{"RC録画ﾘｽﾄ", mapName(0)},      {"接続ボタン", mapName(1)},    {"RCﾃﾞﾚｸﾄﾘﾎﾞﾀﾝ", mapName(2)},
       {"RCPCで再生ﾎﾞﾀﾝ", mapName(3)}, {"RCDATA内容", mapName(4)},    {"RC終了ﾎﾞﾀﾝ", mapName(5)},
       {"RCｽﾗｲﾀﾞｰ", mapName(6)},       {"RC中断ﾎﾞﾀﾝ", mapName(7)},    {"lock", mapName(8)},
       {"title", mapName(9)},          {"day", mapName(10)},          {"time", mapName(11)},
       {"BitLate", mapName(12)},       {"RC受信ボタン", mapName(13)}, {"RC再生ボタン", mapName(14)},
       {"RC停止ボタン", mapName(15)},  {"RC巻戻", mapName(16)},       {"RC早送", mapName(17)},
       {"フリーズ", mapName(18)},      {"フリーズ", mapName(19)}}};

  // Below the tabs: the controller start button and the run's gauge above the status
  // line, and the status bar.
  controls::Frame Frame8{{controls_, "Frame8", {}, {60, 6500, 10290, 1110}}};
  controls::Button Command3{{controls_, "Command3", in(Frame8), {120, 210, 2280, 450}},
                            "ﾛｸﾗｸｺﾝﾄﾛｰﾗ起動",
                            {.onClick = [this] { Command3_Click(); }}};
  controls::Slider Slider1{{controls_, "Slider1", in(Frame8), {2520, 180, 7650, 480}}};
  controls::CommonDialog CommonDialog1{{controls_, "CommonDialog1", in(Frame8)}};
  controls::Label Label100{{controls_, "Label100", in(Frame8), {120, 750, 10050, 270}}};
  controls::StatusBar StatusBar1{{controls_, "StatusBar1", {}, {0, 7650, 10410, 315}},
                                 {5010, 2400, 1800, 1200}};

  // The menus, each item in the menu it drops from. The download and list menus are not
  // on the menu bar: the lists open them as pop-ups.
  controls::MenuItem pulldown_file{{controls_, "pulldown_file", {}}, "ファイル(&F)"};
  controls::MenuItem pulldown_file_newrec{{controls_, "pulldown_file_newrec", in(pulldown_file)},
                                          "新しい録画をチェック",
                                          {.onClick = [this] { pulldown_newrec_Click(); }},
                                          "Ctrl+N"};
  controls::MenuItem pulldown_file_markdone{
      {controls_, "pulldown_file_markdone", in(pulldown_file)},
      "チェックした録画をダウンロード済みにする",
      {.onClick = [this] { pulldown_markdone_Click(); }},
      "Ctrl+D"};
  controls::MenuItem pulldown_line4{{controls_, "pulldown_line4", in(pulldown_file)}, "-"};
  controls::MenuItem pulldown_file_end{{controls_, "pulldown_file_end", in(pulldown_file)},
                                       "終了(&Q)",
                                       {.onClick = [this] { pulldown_file_end_Click(); }}};
  controls::MenuItem pulldown_help{{controls_, "pulldown_help", {}}, "ヘルプ(&H)"};
  controls::MenuItem pulldown_help_help{{controls_, "pulldown_help_help", in(pulldown_help)},
                                        "ヘルプ(&H)",
                                        {.onClick = [this] { pulldown_help_help_Click(); }},
                                        "F1"};
  controls::MenuItem pulldown_help_ver{{controls_, "pulldown_help_ver", in(pulldown_help)},
                                       "バージョン情報(&V)",
                                       {.onClick = [this] { pulldown_help_ver_Click(); }}};
  controls::MenuItem pulldown_download{{controls_, "pulldown_download", {}, {}, {.visible = false}},
                                       "ダウンロード操作"};
  controls::MenuItem pulldown_download_mpgPalent{
      {controls_, "pulldown_download_mpgPalent", in(pulldown_download)},
      "mpg保存先変更",
      {.onClick = [this] { pulldown_download_mpgPalent_Click(); }}};
  controls::MenuItem pulldown_line5{{controls_, "pulldown_line5", in(pulldown_download)}, "-"};
  controls::MenuItem pulldown_download_newrec{
      {controls_, "pulldown_download_newrec", in(pulldown_download)},
      "新しい録画をチェック",
      {.onClick = [this] { pulldown_newrec_Click(); }}};
  controls::MenuItem pulldown_download_markdone{
      {controls_, "pulldown_download_markdone", in(pulldown_download)},
      "チェックした録画をダウンロード済みにする",
      {.onClick = [this] { pulldown_markdone_Click(); }}};
  controls::MenuItem pulldown_m2tlist{{controls_, "pulldown_m2tlist", {}, {}, {.visible = false}},
                                      "m2tリスト操作"};
  controls::MenuItem pulldown_m2tlist_add{{controls_, "pulldown_m2tlist_add", in(pulldown_m2tlist)},
                                          "ファイルを追加...",
                                          {.onClick = [this] { pulldown_m2tlist_add_Click(); }}};
  controls::MenuItem pulldown_line6{{controls_, "pulldown_line6", in(pulldown_m2tlist)}, "-"};
  controls::MenuItem pulldown_m2tlist_all_No_check{
      {controls_, "pulldown_m2tlist_all_No_check", in(pulldown_m2tlist)},
      "全てのチェック状態をオフにする",
      {.onClick = [this] { pulldown_m2tlist_all_No_check_Click(); }}};
  controls::MenuItem pulldown_m2tlist_all_check{
      {controls_, "pulldown_m2tlist_all_check", in(pulldown_m2tlist)},
      "全てのチェック状態をオンにする",
      {.onClick = [this] { pulldown_m2tlist_all_check_Click(); }}};
  controls::MenuItem pulldown_line1{{controls_, "pulldown_line1", in(pulldown_m2tlist)}, "-"};
  controls::MenuItem pulldown_m2tlist_SHOKI{
      {controls_, "pulldown_m2tlist_SHOKI", in(pulldown_m2tlist)},
      "選択リストを未作業状態にする",
      {.onClick = [this] { pulldown_m2tlist_SHOKI_Click(); }}};
  controls::MenuItem pulldown_line3{{controls_, "pulldown_line3", in(pulldown_m2tlist)}, "-"};
  controls::MenuItem pulldown_m2tlist_mpg_RePath{
      {controls_, "pulldown_m2tlist_mpg_RePath", in(pulldown_m2tlist)},
      "変換先変更",
      {.onClick = [this] { pulldown_m2tlist_mpg_RePath_Click(); }}};
  controls::MenuItem pulldown_line2{{controls_, "pulldown_line2", in(pulldown_m2tlist)}, "-"};
  controls::MenuItem pulldown_m2tlist_1ldel{
      {controls_, "pulldown_m2tlist_1ldel", in(pulldown_m2tlist)},
      "選択行削除",
      {.onClick = [this] { pulldown_m2tlist_1ldel_Click(); }}};
  controls::MenuItem pulldown_m2tlist_alldel{
      {controls_, "pulldown_m2tlist_alldel", in(pulldown_m2tlist)}, "全削除", {.onClick = [this] {
        pulldown_m2tlist_alldel_Click();
      }}};

  // --- lookup ------------------------------------------------------------------------
  // Every control by its name ("Command3", "Option1(5)", "RC_SOUSA(0)").
  controls::Control* find(std::string_view name) { return controls_.find(name); }
  const std::vector<controls::Control*>& all() const { return controls_.all(); }
  std::vector<controls::Timer*> timers() { return {&Timer1, &Timer2, &TimerTask}; }

  // --- the handlers and what they share, by the file that defines them -----------------

  // app/form1.cpp
  void PopupMenu(controls::MenuItem& menu);
  // Moves the focus: the button that loses it raises LostFocus, a text box that gets it
  // raises GotFocus.
  void setFocus(controls::Control& c);
  // Plain message box with the application title; while unattended, logged instead
  // and answered the way that keeps the user's files (app/auto_night.cpp).
  int msgBox(std::string_view text, unsigned flags = platform::mb::kOk,
             std::string_view title = kAppTitle);
  // Sets the status line and logs it, the usual way of reporting progress.
  void statusAndLog(std::string_view message);

  // app/lifecycle.cpp
  void Form_Load();
  // Returns true when the close may go on (Cancel not set).
  bool Form_QueryUnload();
  // A close request from any source; closes the window when the request is accepted.
  void requestClose();
  // Writes log.ini and default.ini; returns what could not be written ("" when all was).
  std::string saveLogAndSettings();
  void setWindowSize(int w, int h);
  void SSTab1_Click(int previousTab);
  void pulldown_file_end_Click();
  void pulldown_help_help_Click();

  // app/layout.cpp
  void Form_Resize();
  void Control_Resize();

  // app/settings.cpp
  void KankyouOutPut(const std::string& path);
  void KankyouInPut(const std::string& path);
  void Check1_Click();
  void Check2_Click();
  void Check3_Click();
  void Check4_Click();

  // app/worklog.cpp
  void logAdd(std::string_view message);
  void logInPut(const std::string& path);
  void logOutPut(const std::string& path);

  // app/run_progress.cpp: the run's progress on the taskbar button.
  RunProgress runProgress() const;
  void publishRunProgress();
  // A row or file of a run starts: an earlier error is no longer what the run shows.
  void runStarted();
  void runStoppedOnError();

  // dialogs/frm_about.cpp
  void pulldown_help_ver_Click();

  // download/list_read.cpp: the recording list.
  void Command1_Click();
  void ListView1_ColumnClick(int index);
  // A mouse press over the list; button 1 left, 2 right.
  void ListView1_MouseDown(int button);

  // download/history.cpp: the download history (history.ini).
  DownloadHistory history;
  // Reads history.ini once; false (logged) when it exists but cannot be read.
  bool loadDownloadHistory();
  void saveDownloadHistory();
  // Marks the rows of the recording list that are in the history.
  void showDownloadedRows();
  // A transfer seen to finish: the row enters the history when its file is whole.
  void recordCompleteDownload(std::size_t row, const std::string& file);
  // Checks every row not in the history and unchecks the rest; returns the rows checked.
  std::size_t checkNewRecordings();
  void pulldown_newrec_Click();
  void pulldown_markdone_Click();
  // The history's menu items follow the list's Enabled.
  void watchDownloadHistoryMenus();

  // download/rec_size.cpp
  void RecSize_Get();

  // download/gauge.cpp: the download tab's gauge.
  void FreeSpace_Get();
  void CheckSize_Sum();
  void ListView1_ItemCheck(std::size_t row);
  void ProgressBar1_MouseDown();

  // download/receive_save.cpp
  void Command2_Click();
  void Command4_Click();

  // download/download_run.cpp: the download sequencer.
  void Command5_Click();
  void dl_start();
  void Timer1_Timer();
  void Command8_Click();
  // The last checked row is done: the conversion run or the end-of-work action follows.
  void downloadsFinished();
  // A transfer cut before it finished: its file is renamed so that its name says so.
  void markPartialDownload();

  // dialogs/rule_list.cpp: the file-name rule list.
  void Command13_Click();
  void Start_H_GotFocus();
  void Start_M_GotFocus();
  void End_H_GotFocus();
  void End_M_GotFocus();

  // convert/conversion_list.cpp
  // Appends one row for `m2tPath`, converted into `mpgFolder` (no trailing backslash).
  void m2tlist_Add(const std::string& m2tPath, const std::string& mpgFolder);
  void ListView10_OLEDragDrop(const std::vector<std::string>& paths);
  // Button 2 (the right button) opens the list's command menu.
  void ListView10_MouseDown(int button);

  // convert/add_files.cpp: "ファイルを追加...", .m2t files chosen in an Open dialog, added
  // as a drop adds them; Label8 shown while Check1 keeps the list read-only.
  void pulldown_m2tlist_add_Click();
  void watchConversionListLock();

  // convert/sequencer.cpp: the conversion run.
  void Command9_Click();
  void FileNameByteCheck();
  void m2t_start();
  void Timer2_Timer();
  void Command6_Click();
  // The last checked conversion row is done: the end-of-work action follows.
  void conversionsFinished();

  // convert/size_check.cpp
  void m2t_SizeCheck();

  // convert/list_commands.cpp: the conversion list's menu.
  void pulldown_m2tlist_all_No_check_Click();
  void pulldown_m2tlist_all_check_Click();
  void pulldown_m2tlist_SHOKI_Click();
  void pulldown_m2tlist_mpg_RePath_Click();
  void pulldown_m2tlist_1ldel_Click();
  void pulldown_m2tlist_alldel_Click();
  void pulldown_download_mpgPalent_Click();

  // automation/window_list.cpp
  void GetTopWindBtn_Click();

  // automation/launch.cpp
  void Command3_Click();

  // automation/registration.cpp
  void Command7_Click();
  void Command10_Click();

  // automation/developer_tab.cpp
  void Command11_Click();
  void Command12_Click();
  void Command15_Click();
  void Command13_LostFocus();
  void Command2_LostFocus();

  // automation/remote.cpp
  void RC_SOUSA_Click(std::int16_t index);

  // endwork/win_exit_state.cpp
  void Win_Exit_State();
  // The selected end-of-work choice: the lowest selected index of Option1.
  EndOfWork endOfWorkChoice() const;

  // endwork/night_summary.cpp: the night's tally, started by a run's start button, told
  // of every outcome, logged as one line at the night's end or stop.
  void nightStarted(const std::vector<std::size_t>& recordings = {});
  void nightSucceeded(bool download);
  void nightFailed(std::string what);
  void logNightSummary();
  // A download row failed: counted, and kept in the journal as failed.
  void downloadFailed(std::size_t row);
  // The system stays awake while a night is under way (endwork/keep_awake.cpp).
  void keepAwake(bool on);
  // A start button's handler has returned: a night that did not get under way is over.
  void nightStartSettled();
  // The night's journal beside the program (app/journal.cpp): written at every change of
  // the night's state while it is active; removed, with the system no longer kept awake,
  // when the night reaches its end or is stopped.
  void journalNight();
  void nightOver();
  // A journal left by an interrupted night is continued (app/resume.cpp): at the end of
  // start-up after the user's yes (ask), by the automatic night without asking. False
  // when there was none to continue or the user declined.
  bool resumeJournalIfAny(bool ask);
  void resumeNight(const struct NightJournal& journal);
  // The controller is still transferring the row at the download position (Varnolt was
  // ended meanwhile): the completion poll waits for it as for a transfer it started.
  void awaitTransfer();
  // The controller in panel 4 refuses our messages (it runs as administrator): the user is
  // told what to do, the log says so, and the caller starts nothing.
  bool controllerRefuses();
  // The download or conversion under way, as the quit question names it; "" when none.
  std::string runUnderWay() const;
  // How the night names a row: a recording by its trimmed title, a conversion row by its
  // file name; "" for a row that is not there.
  std::string recordingTitle(std::size_t row) const;
  std::string conversionFileName(std::size_t row) const;

  // app/auto_night.cpp: the automatic night. From the /auto start to the end-of-work
  // action no box waits for a person.
  bool unattended = false;
  // Set before Form_Load when the command line asks for the automatic night: start-up
  // leaves an interrupted night to it.
  bool autoStart = false;
  // The program's arguments after start-up: /auto starts the automatic night.
  void commandLine(const std::vector<std::string>& args);
  void autoNight();
  // Another start of Varnolt from this folder, with its arguments.
  void secondStart(const std::vector<std::string>& args);
  // A download, conversion or automatic night is under way.
  bool nightUnderWay() const;
  // app/nightly_task.cpp: the nightly task, read at start-up, changed by Check5 and
  // Command16.
  void nightlyTaskLoad();
  // nightlyTaskLoad when the start-up read is still to come.
  void nightlyTaskLoadPending();
  void Check5_Click();
  void Command16_Click();
  // The end box of choices 5 and 7: shown to the user even after an automatic night.
  void finalBox(std::string_view text, unsigned flags);
  // Called once the end-of-work action is done: a night asked for meanwhile starts.
  void finalBoxClosed();
  // Closes the end box while it is open (set by a window backend).
  std::function<void()> closeFinalBox;

 private:
  // app/run_progress.cpp
  void watchRunProgress();
  RunProgress shownProgress_;
  void endUnattended();
  void refuseAutoNight(std::string_view why);
  bool finalBoxOpen_ = false;
  // Set while the group shows the Task Scheduler's state: no request is made.
  bool nightlyTaskQuiet_ = false;
  std::string nightlyProgram() const;
  void showNightlyTask(bool on, std::string line);
  bool nightlyTaskRegister();
  bool autoNightPending_ = false;
  // While set, unattended boxes are collected here instead of logged.
  std::vector<std::string>* heldBoxes_ = nullptr;
};

// Main-window texts used by more than one handler (app/form1.cpp).
std::string appFile(const Form1& f, std::string_view name);

}  // namespace varnolt
