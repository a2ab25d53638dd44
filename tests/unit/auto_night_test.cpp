// The automatic night's pieces that no scenario reaches: the command line, the folder's
// instance name, and the answers given while unattended.
#include "app/single_instance.hpp"
#include "fixture.hpp"

namespace varnolt::testing {
namespace {

TEST(AutoCommandLine, SlashOrDashAutoInAnyCaseAnywhere) {
  EXPECT_TRUE(isAutoCommandLine({"/auto"}));
  EXPECT_TRUE(isAutoCommandLine({"-AUTO"}));
  EXPECT_TRUE(isAutoCommandLine({"x", "/Auto"}));
  EXPECT_FALSE(isAutoCommandLine({}));
  EXPECT_FALSE(isAutoCommandLine({"auto"}));
  EXPECT_FALSE(isAutoCommandLine({"/autox"}));
  EXPECT_FALSE(isAutoCommandLine({"--auto"}));
}

TEST(InstanceName, SameFolderWithoutCaseOrTrailingBackslashOtherFolderNot) {
  const std::string a = instanceName("C:\\Program Files\\Varnolt");
  EXPECT_EQ(a, instanceName("c:\\PROGRAM FILES\\varnolt\\"));
  EXPECT_NE(a, instanceName("C:\\Program Files\\Varnolt2"));
  EXPECT_NE(instanceName("D:\\録画ツール"), instanceName("D:\\録画ツー"));
  // A kernel object name: no backslash, bounded length.
  EXPECT_EQ(a.find('\\'), std::string::npos);
  EXPECT_EQ(a.size(), std::string("Varnolt.").size() + 16);
}

class UnattendedTest : public WorldTest {};

TEST_F(UnattendedTest, BoxesAreLoggedAndQuestionsAnsweredToKeepTheFiles) {
  Form1& f = startForm();
  f.unattended = true;
  events.clear();
  using namespace platform::mb;
  EXPECT_EQ(f.msgBox("上書きしますか？\r\n(1)", kYesNo | kIconQuestion), kIdNo);
  EXPECT_EQ(f.msgBox("続行しますか", kOkCancel), kIdCancel);
  EXPECT_EQ(f.msgBox("終了しました"), kIdOk);
  EXPECT_TRUE(msgboxes().empty()) << "no box is shown";
  const std::string log = f.Text5.text();
  EXPECT_NE(log.find("自動実行中のため「いいえ」と答えた質問：上書きしますか？ (1)"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("自動実行中のため「キャンセル」と答えた質問：続行しますか"),
            std::string::npos);
  EXPECT_NE(log.find("自動実行中のため表示しなかったメッセージ：終了しました"), std::string::npos);
  f.unattended = false;
  f.msgBox("表示");
  EXPECT_EQ(msgboxes(), std::vector<std::string>{"0|Varnolt|表示"});
}

}  // namespace
}  // namespace varnolt::testing
