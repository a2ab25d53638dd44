// default.ini: exact bytes written, and every way a stored file is read back.
#include "fixture.hpp"

namespace varnolt::testing {
namespace {

// CP932 bytes of the design texts, spelled out so the codec is not checked against itself.
const std::string kMitouroku = "\x96\xA2\x93\x6F\x98\x5E";  // 未登録
const std::string kMisettei = "\x96\xA2\x90\xDD\x92\xE8";   // 未設定

std::string designFile() {
  std::string s = "/Label2.Caption\r\n" + kMitouroku + "\r\n/text4.text\r\n" + kMisettei + "\r\n";
  for (int k = 0; k <= 8; ++k)
    s += "/Option1(" + std::to_string(k) + ").Value\r\n" + (k == 5 ? "True" : "False") + "\r\n";
  s += "/Check1.Value\r\n0\r\n/Check2.Value\r\n0\r\n\r\n";
  return s;
}

class SettingsTest : public WorldTest {
 protected:
  void storeIni(const std::string& utf8) { writeHost(appHost("default.ini"), ansi(utf8)); }
  Form1& loaded() {
    makeForm().KankyouInPut("C:\\Varnolt\\default.ini");
    return *form;
  }
};

TEST_F(SettingsTest, DesignValuesAreWrittenByteForByte) {
  makeForm().KankyouOutPut("C:\\Varnolt\\default.ini");
  EXPECT_EQ(readHost(appHost("default.ini")), designFile());
  EXPECT_FALSE(std::filesystem::exists(appHost("default.ini.tmp~")));
}

TEST_F(SettingsTest, WrittenFileReadsBackIntoTheSameControls) {
  Form1& f = makeForm();
  f.Label2.setCaption("C:\\ロクラクⅡ\\ﾛｸﾗｸ\\RokuCtrl.exe");
  f.Text4.setText("D:\\録画");
  f.Option1[8].setValue(true);
  f.Check1.setValue(1);
  f.Check3.setValue(1);  // mirrored into Check2
  f.KankyouOutPut("C:\\Varnolt\\default.ini");
  const std::string bytes = readHost(appHost("default.ini"));
  EXPECT_NE(bytes.find("\x87\x55"), std::string::npos) << "Ⅱ must be stored as CP932 0x8755";
  EXPECT_NE(bytes.find("\xDB\xB8\xD7\xB8"), std::string::npos)
      << "half-width katakana, one byte each";
  EXPECT_NE(bytes.find("/Check2.Value\r\n1\r\n"), std::string::npos);

  Form1& g = loaded();
  EXPECT_EQ(g.Label2.caption(), "C:\\ロクラクⅡ\\ﾛｸﾗｸ\\RokuCtrl.exe");
  EXPECT_EQ(g.Text4.text(), "D:\\録画");
  EXPECT_EQ(g.Option1.selected(), 8);
  EXPECT_EQ(g.Check1.value(), 1);
  EXPECT_EQ(g.Check2.value(), 1);
}

TEST_F(SettingsTest, TrailingBarBeforeLineEndIsDropped) {
  Form1& f = makeForm();
  f.Text4.setText("D:\\a|b|");
  f.Label2.setCaption("x||");
  f.KankyouOutPut("C:\\Varnolt\\default.ini");
  const std::string bytes = readHost(appHost("default.ini"));
  EXPECT_NE(bytes.find("/text4.text\r\nD:\\a|b\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("/Label2.Caption\r\nx|\r\n"), std::string::npos);
}

TEST_F(SettingsTest, MissingFileLeavesDesignValuesAndEmptiesTheList) {
  Form1& f = makeForm();
  f.ListView1.add();
  f.KankyouInPut("C:\\Varnolt\\default.ini");
  EXPECT_EQ(f.ListView1.count(), 0u);
  EXPECT_EQ(f.Label2.caption(), "未登録");
  EXPECT_EQ(f.Text4.text(), "未設定");
  EXPECT_EQ(f.Option1.selected(), 5);
  EXPECT_EQ(f.Check1.value() + f.Check2.value() + f.Check3.value() + f.Check4.value(), 0);
  EXPECT_TRUE(msgboxes().empty());
}

TEST_F(SettingsTest, FileWithOnlyTheFolderSetsOnlyTheFolder) {
  storeIni("/text4.text\r\nE:\\TV\r\n");
  Form1& f = loaded();
  EXPECT_EQ(f.Text4.text(), "E:\\TV");
  EXPECT_EQ(f.Label2.caption(), "未登録");
  EXPECT_EQ(f.Option1.selected(), 5);
}

TEST_F(SettingsTest, ReadingStopsAtTheFirstBadValue) {
  storeIni("/Label2.Caption\r\nA\r\n/Check1.Value\r\nabc\r\n/text4.text\r\nE:\\TV\r\n");
  Form1& f = loaded();
  EXPECT_EQ(f.Label2.caption(), "A");
  EXPECT_EQ(f.Text4.text(), "未設定");
  EXPECT_EQ(f.Check1.value(), 0);

  storeIni("/Check2.Value\r\n3\r\n/text4.text\r\nE:\\TV\r\n");
  EXPECT_EQ(loaded().Text4.text(), "未設定");

  storeIni("/Option1(6).Value\r\nmaybe\r\n/text4.text\r\nE:\\TV\r\n");
  Form1& h = loaded();
  EXPECT_EQ(h.Text4.text(), "未設定");
  EXPECT_EQ(h.Option1.selected(), 5);
}

TEST_F(SettingsTest, LastOfSeveralValuesWinsAndStrayLinesAreIgnored) {
  storeIni("stray\r\n/Label2.Caption\r\nfirst\r\nsecond\r\n/Text4.text\r\nX\r\n");
  Form1& f = loaded();
  // "/Text4.text" is not a key (keys are case-sensitive): its value is Label2's third line.
  EXPECT_EQ(f.Label2.caption(), "X");
  EXPECT_EQ(f.Text4.text(), "未設定");
}

TEST_F(SettingsTest, EmptyValuesComeBackAsDesignTexts) {
  Form1& f = makeForm();
  f.Text4.setText("");
  f.Label2.setCaption("");
  f.KankyouOutPut("C:\\Varnolt\\default.ini");
  Form1& g = loaded();
  EXPECT_EQ(g.Text4.text(), "未設定");
  EXPECT_EQ(g.Label2.caption(), "未登録");
}

TEST_F(SettingsTest, StoredDeleteSwitchShowsOnCheck3) {
  storeIni("/Check1.Value\r\n1\r\n/Check2.Value\r\n1\r\n");
  Form1& f = loaded();
  EXPECT_EQ(f.Check1.value(), 1);
  EXPECT_TRUE(f.Check3.enabled());
  EXPECT_EQ(f.Check3.value(), 1) << "the switch the user sees says sources will be deleted";
  EXPECT_EQ(f.Check2.value(), 1);
  EXPECT_FALSE(f.Check2.enabled());
  EXPECT_FALSE(f.ListView10.enabled());
  f.Check1.setValue(0);
  EXPECT_EQ(f.Check2.value(), 0);
}

TEST_F(SettingsTest, Check2BeforeCheck1TurnsCheck3On) {
  storeIni("/Check2.Value\r\n1\r\n/Check1.Value\r\n1\r\n");
  Form1& f = loaded();
  EXPECT_EQ(f.Check3.value(), 1);
  EXPECT_EQ(f.Check2.value(), 1);
}

TEST_F(SettingsTest, UncheckingCheck1ClearsTheDeleteSwitch) {
  Form1& f = makeForm();
  f.Check1.setValue(1);
  f.Check3.setValue(1);
  EXPECT_EQ(f.Check2.value(), 1);
  f.Check1.setValue(0);
  EXPECT_FALSE(f.Check3.enabled());
  EXPECT_EQ(f.Check3.value(), 0);
  EXPECT_EQ(f.Check2.value(), 0);
  EXPECT_TRUE(f.Check2.enabled());
  EXPECT_TRUE(f.ListView10.enabled());
}

TEST_F(SettingsTest, Check4ShowsTheLimitMessageEitherWay) {
  Form1& f = makeForm();
  f.Check4.setValue(1);
  EXPECT_EQ(f.Label6.caption(), "ロクラク・コントローラの仕様制限によりサイズ計算できません");
  f.Label6.setCaption("");
  f.Check4.setValue(0);
  EXPECT_EQ(f.Label6.caption(), "ロクラク・コントローラの仕様制限によりサイズ計算できません");
}

TEST_F(SettingsTest, OptionsTakeWordsAndNumbers) {
  storeIni("/Option1(5).Value\r\nFalse\r\n");
  EXPECT_EQ(loaded().Option1.selected(), -1);
  storeIni("/Option1(2).Value\r\n-1\r\n");
  EXPECT_EQ(loaded().Option1.selected(), 2);
  storeIni("/Option1(7).Value\r\ntrue\r\n/Option1(7).Value\r\n0\r\n");
  EXPECT_EQ(loaded().Option1.selected(), -1);
}

}  // namespace
}  // namespace varnolt::testing
