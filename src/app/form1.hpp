// The main window: its controls, its window-level variables and every handler.
// Handlers are defined in the folder of the subsystem that owns them.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/run_progress.hpp"
#include "controls/controls.hpp"
#include "platform/platform.hpp"

namespace varnolt {

using namespace controls;

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
};

class Form1 {
 public:
  explicit Form1(platform::Platform& platform);
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  platform::Platform& os;
  Form1State state;

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
  std::function<void(MenuItem& menu)> showPopup;
  void PopupMenu(MenuItem& menu);
  void setWindowSize(int w, int h);

  // --- tab 0: download --------------------------------------------------------
  ListView ListView1{"ListView1", true};
  Frame Frame6{"Frame6"};
  Button Command5{"Command5", "ﾘｽﾄ選択してﾀﾞｳﾝ"};
  Button Command1{"Command1", "リスト取得"};
  Button Command8{"Command8", "中止"};
  controls::Timer Timer1{"Timer1", 3000};
  CheckBox Check1{"Check1", "DL後にストリーム変換も行う"};
  ProgressBar ProgressBar1{"ProgressBar1"};
  Frame Frame7{"Frame7"};
  CheckBox Check3{"Check3", "サイズ比較をクリアしたら元m2tファイルは削除"};
  Frame Frame10{"Frame10"};
  std::vector<std::unique_ptr<Button>> RC_SOUSA;
  Label Label7{"Label7", "※同時ストリーム変換時は最大で倍以上空きが必要です "};
  Label Label6{"Label6"};
  Label Label5{"Label5", "0"};
  std::vector<std::unique_ptr<Line>> Line1;

  // --- tab 1: file-name rule list ----------------------------------------------
  ListView AutoFNameView{"AutoFNameView"};
  Frame Frame12{"Frame12"};
  Button Command14{"Command14", "取消"};
  Button Command13{"Command13", "追加"};
  Picture Picture3{"Picture3"};
  TextBox End_H{"End_H", "00"};
  TextBox End_M{"End_M", "00"};
  Picture Picture2{"Picture2"};
  TextBox Start_H{"Start_H", "00"};
  TextBox Start_M{"Start_M", "00"};
  std::vector<std::unique_ptr<CheckBox>> youbi;
  TextBox Rec_Taitle{"Rec_Taitle"};
  DatePicker DTPicker1{"DTPicker1"};
  std::vector<std::unique_ptr<Label>> ruleLabels;

  // --- tab 2: stream conversion ------------------------------------------------
  Frame Frame9{"Frame9"};
  CheckBox Check2{"Check2", "変換後、サイズ比較をクリアしたら元m2tファイルは削除する"};
  Button Command9{"Command9", "PCで再生（ストリーム変換）"};
  controls::Timer Timer2{"Timer2", 3000};
  Button Command6{"Command6", "中　止"};
  ListView ListView10{"ListView10", true};

  // --- tab 3: log ----------------------------------------------------------------
  TextBox Text5{"Text5", "", true};

  // --- tab 4: settings -------------------------------------------------------------
  Frame Frame4{"Frame4", "ダウンロード作業"};
  Frame Frame2{"Frame2", "ダウンロードのデフォルトパス"};
  Button Command10{"Command10", "パス取得"};
  TextBox Text4{"Text4", kNotSet};
  Frame Frame1{"Frame1", "「ロクラク・コントローラ」を登録"};
  Button Command7{"Command7", "ＲＣ選択"};
  Label Label2{"Label2", kNotRegistered};
  Frame Frame11{"Frame11", "ロクラク・コントローラとの問題について"};
  CheckBox Check4{"Check4", "ロクラクコントローラの仕様制限によりサイズ取得をしない　（できない）"};
  Frame Frame5{"Frame5", "作業が終了したら次の動作をする"};
  OptionGroup Option1;

  // --- tab 5: developer ------------------------------------------------------------
  Frame Frame3{"Frame3", "開発者使用タブ"};
  ListView ListView2{"ListView2"};
  ListView ListView3{"ListView3"};
  ListView ListView4{"ListView4"};
  Button GetTopWindBtn{"GetTopWindBtn", "ﾄｯﾌﾟﾚﾍﾞﾙｳｨﾝﾄﾞｳ列挙"};
  Button Command2{"Command2", "受信ﾎﾞﾀﾝｸﾘｯｸ"};
  Button Command4{"Command4", "保存ウィンドウ保存"};
  Button Command11{"Command11", "Command11"};
  Button Command12{"Command12", "Command12"};
  Button Command15{"Command15", "カラムのサイズチェック"};
  TextBox Text101{"Text101", "送り込みハンドル"};
  TextBox Text100{"Text100", "Text6"};
  // Controller control map: handle texts of the controller's controls.
  TextBox rc_rec_list{"rc_rec_list"};
  TextBox rc_setuzoku_btn{"rc_setuzoku_btn"};
  TextBox rc_dir_btn{"rc_dir_btn"};
  TextBox rc_pcdown_btn{"rc_pcdown_btn"};
  TextBox rc_recdata{"rc_recdata"};
  TextBox rc_end_btn{"rc_end_btn"};
  TextBox rc_slider{"rc_slider"};
  TextBox rc_stop_btn{"rc_stop_btn"};
  TextBox Rc_Rec_Column_Lock{"Rc_Rec_Column_Lock"};
  TextBox Rc_Rec_Column_Title{"Rc_Rec_Column_Title"};
  TextBox Rc_Rec_Column_Day{"Rc_Rec_Column_Day"};
  TextBox Rc_Rec_Column_Time{"Rc_Rec_Column_Time"};
  TextBox Rc_Rec_Column_BitLate{"Rc_Rec_Column_BitLate"};
  TextBox rc_zyusin_btn{"rc_zyusin_btn"};
  TextBox rc_saisei_btn{"rc_saisei_btn"};
  TextBox rc_teisi_btn{"rc_teisi_btn"};
  TextBox rc_makimodosi_btn{"rc_makimodosi_btn"};
  TextBox rc_hayaokuri_btn{"rc_hayaokuri_btn"};
  TextBox rc_freeze_btn{"rc_freeze_btn"};
  TextBox rc_slow_btn{"rc_slow_btn"};
  // The map entries in the order of their labels in Label3.
  std::array<TextBox*, 20> controlMap();
  std::vector<std::unique_ptr<Label>> Label1;
  std::vector<std::unique_ptr<Label>> Label3;

  // --- below the tabs ----------------------------------------------------------------
  TabControl SSTab1;
  Frame Frame8{"Frame8"};
  Button Command3{"Command3", "ﾛｸﾗｸｺﾝﾄﾛｰﾗ起動"};
  Slider Slider1{"Slider1"};
  CommonDialog CommonDialog1{"CommonDialog1"};
  Label Label100{"Label100"};
  StatusBar StatusBar1{"StatusBar1", 4};

  // --- menus ---------------------------------------------------------------------------
  MenuItem pulldown_file{"pulldown_file", "ファイル(&F)"};
  MenuItem pulldown_file_end{"pulldown_file_end", "終了(&Q)", "pulldown_file"};
  MenuItem pulldown_help{"pulldown_help", "ヘルプ(&H)"};
  MenuItem pulldown_help_help{"pulldown_help_help", "ヘルプ(&H)", "pulldown_help"};
  MenuItem pulldown_help_ver{"pulldown_help_ver", "バージョン情報(&V)", "pulldown_help"};
  MenuItem pulldown_download{"pulldown_download", "ダウンロード操作"};
  MenuItem pulldown_download_mpgPalent{"pulldown_download_mpgPalent", "mpg保存先変更",
                                       "pulldown_download"};
  MenuItem pulldown_m2tlist{"pulldown_m2tlist", "m2tリスト操作"};
  MenuItem pulldown_m2tlist_all_No_check{"pulldown_m2tlist_all_No_check",
                                         "全てのチェック状態をオフにする", "pulldown_m2tlist"};
  MenuItem pulldown_m2tlist_all_check{"pulldown_m2tlist_all_check",
                                      "全てのチェック状態をオンにする", "pulldown_m2tlist"};
  MenuItem pulldown_line1{"pulldown_line1", "-", "pulldown_m2tlist"};
  MenuItem pulldown_m2tlist_SHOKI{"pulldown_m2tlist_SHOKI", "選択リストを未作業状態にする",
                                  "pulldown_m2tlist"};
  MenuItem pulldown_line3{"pulldown_line3", "-", "pulldown_m2tlist"};
  MenuItem pulldown_m2tlist_mpg_RePath{"pulldown_m2tlist_mpg_RePath", "変換先変更",
                                       "pulldown_m2tlist"};
  MenuItem pulldown_line2{"pulldown_line2", "-", "pulldown_m2tlist"};
  MenuItem pulldown_m2tlist_1ldel{"pulldown_m2tlist_1ldel", "選択行削除", "pulldown_m2tlist"};
  MenuItem pulldown_m2tlist_alldel{"pulldown_m2tlist_alldel", "全削除", "pulldown_m2tlist"};

  // --- lookup ----------------------------------------------------------------------------
  // Every control by its name ("Command3", "Option1(5)", "RC_SOUSA(0)").
  Control* find(std::string_view name);
  const std::vector<Control*>& all() const { return order_; }
  std::vector<controls::Timer*> timers() { return {&Timer1, &Timer2}; }

  // --- application shell -------------------------------------------------------------------
  void Form_Load();
  // Returns true when the close may go on (Cancel not set).
  bool Form_QueryUnload();
  // A close request from any source; closes the window when the request is accepted.
  void requestClose();
  void SSTab1_Click(int previousTab);
  void pulldown_file_end_Click();
  void pulldown_help_help_Click();
  void pulldown_help_ver_Click();
  void Form_Resize();
  void Control_Resize();

  void KankyouOutPut(const std::string& path);
  void KankyouInPut(const std::string& path);
  void Check1_Click();
  void Check2_Click();
  void Check3_Click();
  void Check4_Click();

  void logAdd(std::string_view message);
  // Told of every line logAdd puts in front of the log (the headless runner prints them).
  std::function<void(std::string_view line)> onLogLine;
  void logInPut(const std::string& path);
  void logOutPut(const std::string& path);
  // Sets the status line and logs it, the usual way of reporting progress.
  void statusAndLog(std::string_view message);

  // --- recording list ---------------------------------------------------------------------
  void Command1_Click();
  void RecSize_Get();
  void ListView1_ColumnClick(int index);
  // A mouse press over the list; button 1 left, 2 right.
  void ListView1_MouseDown(int button);
  void RC_SOUSA_Click(std::int16_t index);

  // --- download tab gauge -------------------------------------------------------------------
  void FreeSpace_Get();
  void CheckSize_Sum();
  void ListView1_ItemCheck(std::size_t row);
  void ProgressBar1_MouseDown();

  // --- file-name rule list ------------------------------------------------------------------
  void Command13_Click();
  void Start_H_GotFocus();
  void Start_M_GotFocus();
  void End_H_GotFocus();
  void End_M_GotFocus();

  // --- stream conversion ----------------------------------------------------------------
  // Appends one row for `m2tPath`, converted into `mpgFolder` (no trailing backslash).
  void m2tlist_Add(const std::string& m2tPath, const std::string& mpgFolder);
  void ListView10_OLEDragDrop(const std::vector<std::string>& paths);
  // Button 2 (the right button) opens the list's command menu.
  void ListView10_MouseDown(int button);
  void Command9_Click();
  void FileNameByteCheck();
  void m2t_start();
  void Timer2_Timer();
  void Command6_Click();
  // The last checked conversion row is done: the end-of-work action follows.
  void conversionsFinished();
  void m2t_SizeCheck();
  void pulldown_m2tlist_all_No_check_Click();
  void pulldown_m2tlist_all_check_Click();
  void pulldown_m2tlist_SHOKI_Click();
  void pulldown_m2tlist_mpg_RePath_Click();
  void pulldown_m2tlist_1ldel_Click();
  void pulldown_m2tlist_alldel_Click();
  void pulldown_download_mpgPalent_Click();

  // --- controller automation ------------------------------------------------------------
  void GetTopWindBtn_Click();
  void Command3_Click();
  void Command7_Click();
  void Command10_Click();
  void Command11_Click();
  void Command12_Click();
  void Command15_Click();
  void Command13_LostFocus();
  void Command2_LostFocus();

  // --- receive, save and the download sequencer ----------------------------------------
  void Command2_Click();
  void Command4_Click();
  void Command5_Click();
  void dl_start();
  void Timer1_Timer();
  void Command8_Click();
  // The last checked row is done: the conversion run or the end-of-work action follows.
  void downloadsFinished();
  // A transfer cut before it finished: its file is renamed so that its name says so.
  void markPartialDownload();

  // --- end-of-work actions ---------------------------------------------------------------
  void Win_Exit_State();
  // The selected end-of-work choice: the lowest selected index of Option1.
  EndOfWork endOfWorkChoice() const;
  // The night's tally (endwork/night_summary.cpp): started by a run's start button, told
  // of every outcome, logged as one line at the night's end or stop.
  void nightStarted();
  void nightSucceeded(bool download);
  void nightFailed(std::string what);
  void logNightSummary();
  // The download or conversion under way, as the quit question names it; "" when none.
  std::string runUnderWay() const;
  // Writes log.ini and default.ini; returns what could not be written ("" when all was).
  std::string saveLogAndSettings();

  // Name of the control holding the keyboard focus, "" when unknown.
  std::string focused;
  // Moves the focus: the button that loses it raises LostFocus, a text box that gets it
  // raises GotFocus.
  void setFocus(Control& c);
  // Puts the real keyboard focus where setFocus sent it (set by a window backend).
  std::function<void(Control&)> focusWindow;

  // Plain message box with the application title.
  int msgBox(std::string_view text, unsigned flags = platform::mb::kOk,
             std::string_view title = kAppTitle);

  // --- run progress (the taskbar button) ----------------------------------------------------
  RunProgress runProgress() const;
  // Told of every change of runProgress().
  std::function<void(const RunProgress&)> onRunProgress;
  void publishRunProgress();
  // A row or file of a run starts: an earlier error is no longer what the run shows.
  void runStarted();
  void runStoppedOnError();

 private:
  void registerControls();
  // Design positions and sizes of every control (design.cpp).
  void applyDesign();
  void wireHandlers();
  void add(Control& c, std::string container, int tab);
  void watchRunProgress();
  RunProgress shownProgress_;
  std::vector<Control*> order_;
  std::map<std::string, Control*, std::less<>> byName_;
};

// Main-window texts used by more than one handler.
std::string appFile(const Form1& f, std::string_view name);

}  // namespace varnolt
