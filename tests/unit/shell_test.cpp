// Start-up, the quit question and what a close writes, the tab rule, the gauge.
#include "fixture.hpp"

namespace varnolt::testing {
namespace {

using platform::mb::kIdNo;
using platform::mb::kIdYes;

class ShellTest : public WorldTest {};

TEST_F(ShellTest, FirstStartShowsDesignValues) {
  Form1& f = startForm();
  EXPECT_EQ(f.Label2.caption(), "未登録");
  EXPECT_EQ(f.Text4.text(), "未設定");
  EXPECT_TRUE(f.Option1[5].value());
  EXPECT_EQ(f.Option1[5].caption(), "何もしない");
  EXPECT_FALSE(f.state.exitFlag);
  EXPECT_FALSE(f.Command1.enabled());
  EXPECT_FALSE(f.Command5.enabled());
  EXPECT_TRUE(f.Command3.enabled());
  EXPECT_FALSE(f.Timer1.enabled());
  EXPECT_EQ(f.Timer1.interval(), 3000);
  EXPECT_EQ(f.DTPicker1.value(), (controls::Date{2004, 10, 17}));
  EXPECT_EQ(f.state.minWidth, f.width);
  EXPECT_EQ(f.state.minHeight, f.height);
  EXPECT_TRUE(msgboxes().empty());
}

TEST_F(ShellTest, QuitQuestionNoLeavesBothFilesUntouched) {
  writeHost(appHost("log.ini"), "old log\r\n");
  writeHost(appHost("default.ini"), "old ini\r\n");
  Form1& f = startForm();
  world->dialogs.answers.push_back(kIdNo);
  f.requestClose();
  EXPECT_FALSE(f.closed);
  EXPECT_EQ(msgboxes(), std::vector<std::string>{"36|Varnolt|アプリケーションを終了しますか ?"});
  EXPECT_EQ(readHost(appHost("log.ini")), "old log\r\n");
  EXPECT_EQ(readHost(appHost("default.ini")), "old ini\r\n");
}

TEST_F(ShellTest, QuitQuestionYesWritesLogThenSettings) {
  Form1& f = startForm();
  world->dialogs.answers.push_back(kIdYes);
  f.pulldown_file_end.click();
  EXPECT_TRUE(f.closed);
  EXPECT_EQ(readHost(appHost("log.ini")), ansi("2004/10/17   21:05:33   Varnolt起動\r\n\r\n"));
  EXPECT_EQ(readHost(appHost("default.ini")).substr(0, 17), "/Label2.Caption\r\n");
}

TEST_F(ShellTest, SilentCloseStillKeepsTheWorkLog) {
  Form1& f = startForm();
  f.state.exitFlag = true;
  f.logAdd("全ての作業が終了しました");
  f.requestClose();
  EXPECT_TRUE(f.closed);
  EXPECT_TRUE(msgboxes().empty());
  EXPECT_NE(readHost(appHost("log.ini")).find(ansi("全ての作業が終了しました")), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(appHost("default.ini")));
}

TEST_F(ShellTest, FailedSaveIsReportedAndTheCloseCompletes) {
  writeHost(appHost("log.ini"), "kept\r\n");
  Form1& f = startForm();
  world->files.setAttributes("C:\\Varnolt\\log.ini", 1);  // read-only
  world->dialogs.answers.push_back(kIdYes);
  f.requestClose();
  EXPECT_TRUE(f.closed);
  auto boxes = msgboxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[1].find("C:\\Varnolt\\log.ini"), std::string::npos);
  EXPECT_NE(boxes[1].find("書き込みできません。"), std::string::npos);
  EXPECT_EQ(boxes[1].find("default.ini"), std::string::npos);
  EXPECT_EQ(readHost(appHost("log.ini")), "kept\r\n");
  EXPECT_TRUE(std::filesystem::exists(appHost("default.ini")));
}

TEST_F(ShellTest, LeavingTheSettingsTabDropsOneTrailingBackslash) {
  Form1& f = startForm();
  auto leave = [&](const std::string& text) {
    f.SSTab1.setTab(4);
    f.Text4.setText(text);
    f.SSTab1.setTab(3);
    return f.Text4.text();
  };
  EXPECT_EQ(leave("D:\\Video\\"), "D:\\Video");
  EXPECT_EQ(leave("D:\\Video\\\\"), "D:\\Video\\");
  EXPECT_EQ(leave("C:\\"), "C:");
  EXPECT_EQ(leave(""), "");
  EXPECT_EQ(leave("D:\\Vi\\deo"), "D:\\Vi\\deo");
  // Leaving any other tab keeps the text.
  f.Text4.setText("D:\\Video\\");
  f.SSTab1.setTab(2);
  EXPECT_EQ(f.Text4.text(), "D:\\Video\\");
}

TEST_F(ShellTest, OnlyTheDownloadTabRefreshesTheGauge) {
  std::filesystem::create_directories(dir.path() / "d");
  world->files.setFreeSpace('d', 3ull * 1024 * 1024 * 1024 + 400ull * 1024);
  Form1& f = startForm();
  EXPECT_EQ(f.Label5.caption(), "0");  // "未設定" has no drive
  f.Text4.setText("D:\\rec");
  f.SSTab1.setTab(2);
  EXPECT_EQ(f.Label5.caption(), "0");
  f.SSTab1.setTab(0);
  EXPECT_EQ(f.Label5.caption(), "デフォルト保存先の空容量：3,072MB");
  EXPECT_NEAR(f.ProgressBar1.max(), 3072.39f, 0.01f);
  EXPECT_EQ(f.Label6.caption(), "チェックした総サイズ：0MB / 使用率：0.00%");
}

TEST_F(ShellTest, HelpOpensTheHelpFileBesideTheProgram) {
  Form1& f = startForm();
  f.pulldown_help_help.click();
  EXPECT_EQ(events.back(), "shell open C:\\Varnolt\\help.chm");
  EXPECT_EQ(f.pulldown_help_help.shortcut, "F1");
}

class GaugeTest : public WorldTest {
 protected:
  Form1& withRows(std::uint64_t freeBytes, const std::vector<std::pair<std::string, bool>>& rows) {
    std::filesystem::create_directories(dir.path() / "d");
    world->files.setFreeSpace('d', freeBytes);
    Form1& f = makeForm();
    f.Text4.setText("D:\\");
    for (auto& [size, checked] : rows) {
      auto r = f.ListView1.add();
      f.ListView1.setSubItem(r, 7, size);
      f.ListView1.setChecked(r, checked);
    }
    f.FreeSpace_Get();
    return f;
  }
};

TEST_F(GaugeTest, TotalsTheCheckedRows) {
  Form1& f = withRows(1000ull * 1024 * 1024, {{"850.5", true}, {"100", false}, {"49.5", true}});
  f.CheckSize_Sum();
  EXPECT_FLOAT_EQ(f.ProgressBar1.value(), 900.0f);
  EXPECT_EQ(f.Label6.caption(), "チェックした総サイズ：900MB / 使用率：90.00%");
}

TEST_F(GaugeTest, ExactlyFullIsNotOver) {
  Form1& f = withRows(1000ull * 1024 * 1024, {{"1000", true}});
  f.CheckSize_Sum();
  EXPECT_EQ(f.Label6.caption(), "チェックした総サイズ：1000MB / 使用率：100.00%");
}

TEST_F(GaugeTest, OverTheFreeSpaceFillsTheBar) {
  Form1& f = withRows(1000ull * 1024 * 1024, {{"1000.5", true}});
  f.CheckSize_Sum();
  EXPECT_EQ(f.Label6.caption(), "サイズオーバー");
  EXPECT_FLOAT_EQ(f.ProgressBar1.value(), 1000.0f);
}

TEST_F(GaugeTest, UnreadableSizeSwitchesSizeReadingOff) {
  Form1& f = withRows(1000ull * 1024 * 1024, {{"", true}});
  f.ListView1.userCheck(1, false);
  f.ListView1.userCheck(1, true);
  EXPECT_EQ(f.Check4.value(), 1);
  EXPECT_EQ(f.Label6.caption(), "ロクラク・コントローラの仕様制限によりサイズ計算できません");
  // Switched off: further changes leave the gauge alone.
  f.ListView1.setSubItem(1, 7, "10");
  f.ListView1.userCheck(1, false);
  EXPECT_EQ(f.Label6.caption(), "ロクラク・コントローラの仕様制限によりサイズ計算できません");
}

TEST_F(GaugeTest, OneMegabyteFreeCountsAsNoMeasurement) {
  Form1& f = withRows(1024ull * 1024, {{"0.5", true}});
  f.CheckSize_Sum();
  EXPECT_EQ(f.Label6.caption(), "");
  EXPECT_FLOAT_EQ(f.ProgressBar1.value(), 0.0f);
}

TEST_F(GaugeTest, UnknownDriveKeepsTheLastMeasurement) {
  Form1& f = withRows(2048ull * 1024 * 1024, {});
  EXPECT_FLOAT_EQ(f.ProgressBar1.max(), 2048.0f);
  f.Text4.setText("Q:\\none");
  f.FreeSpace_Get();
  EXPECT_FLOAT_EQ(f.ProgressBar1.max(), 2048.0f);
  EXPECT_EQ(f.Label5.caption(), "デフォルト保存先の空容量：2,048MB");
}

}  // namespace
}  // namespace varnolt::testing
