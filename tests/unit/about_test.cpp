// The version dialog: its texts and the search for the system information program.
#include "dialogs/frm_about.hpp"
#include "fixture.hpp"

namespace varnolt::testing {

using controls::Control;
using controls::Rect;
namespace {

constexpr const char* kUnavailable = "0|Varnolt|現時点ではｼｽﾃﾑ情報を使用できません";
constexpr const char* kMsinfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr const char* kLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";

class AboutTest : public WorldTest {
 protected:
  void setString(const char* key, const char* name, const std::string& utf8) {
    world->registry.set(platform::RegRoot::LocalMachine, key, name,
                        {1, world->codec.toAnsi(utf8) + std::string(1, '\0')});
  }
  std::vector<std::string> starts() const {
    std::vector<std::string> v;
    for (const auto& e : events)
      if (e.rfind("start ", 0) == 0) v.push_back(e.substr(6));
    return v;
  }
};

TEST_F(AboutTest, LoadFillsTitleVersionAndTheEmptyNotice) {
  frmAbout about(world->platform);
  EXPECT_EQ(about.caption, "ﾊﾞｰｼﾞｮﾝ情報");
  about.Form_Load();
  EXPECT_EQ(about.caption, "Varnolt");
  EXPECT_EQ(about.lblTitle.caption(), "Varnolt");
  EXPECT_EQ(about.lblVersion.caption(), "ﾊﾞｰｼﾞｮﾝ 2.1.0");
  EXPECT_EQ(about.lblDisclaimer.caption(), "");
  EXPECT_EQ(about.lblDescription.caption(), "アプリケーションの説明");
  EXPECT_EQ(about.cmdSysInfo.caption(), "ｼｽﾃﾑ情報(&S)...");
}

TEST_F(AboutTest, EveryControlHasAPlaceInsideTheDialog) {
  frmAbout about(world->platform);
  for (Control* c : about.all()) {
    const Rect& r = c->rect();
    EXPECT_GT(r.width, 0) << c->name();
    EXPECT_LE(r.left + r.width, about.width) << c->name();
    EXPECT_LE(r.top + r.height, about.height) << c->name();
  }
}

TEST_F(AboutTest, OkClosesTheDialog) {
  frmAbout about(world->platform);
  EXPECT_FALSE(about.closed());
  about.cmdOK.click();
  EXPECT_TRUE(about.closed());
}

TEST_F(AboutTest, TheMenuShowsTheDialogModally) {
  Form1& f = startForm();
  std::string shown;
  world->dialogs.modalLoop = [&](controls::ModalForm& m) {
    shown = m.name() + "|" + m.caption;
    m.close();
  };
  f.pulldown_help_ver.click();
  EXPECT_EQ(shown, "frmAbout|Varnolt");
}

TEST_F(AboutTest, NoRegistryValueMeansNoSystemInformation) {
  frmAbout about(world->platform);
  about.cmdSysInfo.click();
  EXPECT_EQ(msgboxes(), std::vector<std::string>{kUnavailable});
  EXPECT_TRUE(starts().empty());
  EXPECT_FALSE(about.closed());
}

TEST_F(AboutTest, ThePathValueIsStarted) {
  writeHost(dir.path() / "c" / "Program Files" / "msinfo" / "msinfo32.exe", "MZ");
  setString(kMsinfoKey, "PATH", "C:\\Program Files\\msinfo\\msinfo32.exe");
  frmAbout about(world->platform);
  about.cmdSysInfo.click();
  EXPECT_TRUE(msgboxes().empty());
  EXPECT_EQ(starts(), std::vector<std::string>{"C:\\Program Files\\msinfo\\msinfo32.exe"});
}

TEST_F(AboutTest, APathValueThatCannotBeStartedShowsTheMessage) {
  setString(kMsinfoKey, "PATH", "C:\\nowhere\\msinfo32.exe");
  frmAbout about(world->platform);
  about.cmdSysInfo.click();
  EXPECT_EQ(msgboxes(), std::vector<std::string>{kUnavailable});
}

TEST_F(AboutTest, TheLocationValueIsUsedWhenItsFolderHoldsTheProgram) {
  writeHost(dir.path() / "c" / "共有" / "MSINFO32.EXE", "MZ");
  setString(kLocationKey, "MSINFO", "C:\\共有");
  frmAbout about(world->platform);
  about.cmdSysInfo.click();
  EXPECT_TRUE(msgboxes().empty());
  EXPECT_EQ(starts(), std::vector<std::string>{"C:\\共有\\MSINFO32.EXE"});
}

TEST_F(AboutTest, ALocationWithoutTheProgramShowsTheMessage) {
  std::filesystem::create_directories(dir.path() / "c" / "empty");
  setString(kLocationKey, "MSINFO", "C:\\empty");
  frmAbout about(world->platform);
  about.cmdSysInfo.click();
  EXPECT_EQ(msgboxes(), std::vector<std::string>{kUnavailable});
  EXPECT_TRUE(starts().empty());
}

TEST_F(AboutTest, GetKeyValueDropsTheFinalNulAndDecodesTheCodePage) {
  setString(kLocationKey, "MSINFO", "C:\\共有");
  frmAbout about(world->platform);
  std::string v = "stale";
  EXPECT_TRUE(about.GetKeyValue(platform::RegRoot::LocalMachine, kLocationKey, "MSINFO", v));
  EXPECT_EQ(v, "C:\\共有");
}

TEST_F(AboutTest, GetKeyValueReportsAMissingValueWithAnEmptyText) {
  setString(kLocationKey, "MSINFO", "C:\\x");
  frmAbout about(world->platform);
  std::string v = "stale";
  EXPECT_FALSE(about.GetKeyValue(platform::RegRoot::LocalMachine, kLocationKey, "Other", v));
  EXPECT_EQ(v, "");
  EXPECT_FALSE(about.GetKeyValue(platform::RegRoot::LocalMachine, "SOFTWARE\\None", "MSINFO", v));
  EXPECT_FALSE(about.GetKeyValue(platform::RegRoot::CurrentUser, kLocationKey, "MSINFO", v));
}

TEST_F(AboutTest, AValueOfAnotherTypeGivesNoTextAndTheMessage) {
  world->registry.set(platform::RegRoot::LocalMachine, kMsinfoKey, "PATH",
                      {4, std::string("\x01\x00\x00\x00", 4)});
  frmAbout about(world->platform);
  std::string v = "stale";
  about.GetKeyValue(platform::RegRoot::LocalMachine, kMsinfoKey, "PATH", v);
  EXPECT_EQ(v, "");
  about.cmdSysInfo.click();
  EXPECT_EQ(msgboxes(), std::vector<std::string>{kUnavailable});
}

TEST_F(AboutTest, TheValueIsCutAtTheBufferSize) {
  world->registry.set(platform::RegRoot::LocalMachine, kMsinfoKey, "PATH",
                      {1, std::string(1500, 'a')});
  frmAbout about(world->platform);
  std::string v;
  EXPECT_TRUE(about.GetKeyValue(platform::RegRoot::LocalMachine, kMsinfoKey, "PATH", v));
  EXPECT_EQ(v.size(), 1024u);
}

}  // namespace
}  // namespace varnolt::testing
