// The stand-in controller: its configuration grammar and its behaviour on the simulated
// desktop, driven through the same window operations Varnolt uses.
#include <filesystem>

#include "fixture.hpp"
#include "platform/sim/sim_standin.hpp"
#include "standin/roku_model.hpp"

namespace varnolt::testing {
namespace {

using platform::ClickMode;
using namespace standin;

TEST(StandinConfig, RecordingSplitsTheSizeOffTheEnd) {
  auto r = parseRecording("1|*|ニュース|2004/10/17 21:00|00:30|8M 850.5 MB");
  EXPECT_EQ(r.entry, "1|*|ニュース|2004/10/17 21:00|00:30|8M");
  EXPECT_EQ(r.size, "850.5 MB");
  r = parseRecording("2| |ドラマ 1.23 GB");
  EXPECT_EQ(r.entry, "2| |ドラマ");
  EXPECT_EQ(r.size, "1.23 GB");
  // No number before the unit: all of it is the entry.
  r = parseRecording("3|*|番組 MB");
  EXPECT_EQ(r.entry, "3|*|番組 MB");
  EXPECT_EQ(r.size, kDefaultSize);
  r = parseRecording("850 MB");
  EXPECT_EQ(r.entry, "850 MB");
}

TEST(StandinConfig, SizesAndSettings) {
  EXPECT_EQ(sizeBytes("1 MB"), 1048576u);
  EXPECT_EQ(sizeBytes("1.5 GB"), 1500u * 1048576u);
  EXPECT_EQ(sizeBytes("x MB"), 0u);
  // Past 2^64 bytes a size cannot be read (the conversion would be undefined).
  EXPECT_EQ(sizeBytes(std::string(111, '2') + " MB"), 0u);
  EXPECT_EQ(sizeBytes("17592186044415 MB"), 17592186044415u * 1048576u);
  Config c;
  EXPECT_EQ(applyConfigLine(c, "title ロクラク コントローラ"), "");
  EXPECT_EQ(c.title, "ロクラク コントローラ");
  EXPECT_EQ(applyConfigLine(c, "fault hung"), "");
  EXPECT_TRUE(c.has(Fault::Hung));
  EXPECT_NE(applyConfigLine(c, "fault sometimes"), "");
  EXPECT_NE(applyConfigLine(c, "startup soon"), "");
  EXPECT_EQ(applyConfigLine(c, "startup 2500"), "");
  EXPECT_EQ(c.startupMs, 2500);
  EXPECT_NE(applyConfigLine(c, "colour red"), "");
  // Numbers are whole words of digits that fit their setting.
  for (const char* line : {"startup 99999999999", "job 2500ms", "range 0 99999999999", "range 0 +5",
                           "recordings 1000000", "fault notransfer 99999999999"})
    EXPECT_NE(applyConfigLine(c, line), "") << line;
  EXPECT_EQ(c.startupMs, 2500);
  EXPECT_EQ(c.rangeMax, kTrackMax);
  EXPECT_TRUE(c.recordings.empty());
  EXPECT_TRUE(c.noTransferRows.empty());
}

TEST(StandinConfig, GeneratedRecordingsAndVerbatimDetails) {
  Config c;
  EXPECT_EQ(applyConfigLine(c, "recording 1||最初|2026/12/01 21:00|00:30|HD 5 MB"), "");
  EXPECT_NE(applyConfigLine(c, "recordings many"), "");
  EXPECT_EQ(applyConfigLine(c, "recordings 3"), "");
  ASSERT_EQ(c.recordings.size(), 4u);
  // k counts on after the entries already there.
  EXPECT_EQ(c.recordings[1].entry, "2||番組2|2026/12/01 21:00|00:30|HD");
  EXPECT_EQ(c.recordings[1].size, "2 MB");
  EXPECT_EQ(c.recordings[3].entry, "4||番組4|2026/12/01 21:00|00:30|HD");
  EXPECT_EQ(c.recordings[3].size, "4 MB");
  EXPECT_EQ(applyConfigLine(c, "details FileSize :700MB\\r\\nその他 "), "");
  EXPECT_EQ(c.recordings[3].details, "FileSize :700MB\r\nその他 ");
  EXPECT_FALSE(c.recordings[2].details.has_value());
  Config empty;
  EXPECT_NE(applyConfigLine(empty, "details FileSize : 1 MB"), "");
}

class StandinTest : public WorldTest {
 protected:
  StandinTest() : standin(std::make_unique<sim::SimStandin>(*world)) {
    standin->config.recordings = {parseRecording("1|*|ニュース|2004/10/17 21:00|00:30|8M 850.5 MB"),
                                  parseRecording("2| |ドラマ|2004/10/16 21:00|01:00|4M 1.5 GB"),
                                  parseRecording("3|*|映画|2004/10/18 21:00|02:00|8M 30 MB")};
    standin->config.jobMs = 10000;
  }
  ~StandinTest() override { standin.reset(); }
  sim::SimDesktop& desk() { return *world->desktop; }
  Hwnd h(int id) { return standin->handleOf(id); }
  void press(int id, ClickMode mode = ClickMode::Sent) {
    desk().activate(h(id));
    desk().click(h(id), mode, 1000);
  }
  std::string hostFile(const std::string& rel) { return (dir.path() / rel).string(); }
  std::uintmax_t hostSize(const std::string& rel) {
    std::error_code ec;
    auto s = std::filesystem::file_size(dir.path() / rel, ec);
    return ec ? 0 : s;
  }
  Hwnd dialog(const std::string& caption) {
    for (Hwnd t : desk().topLevelWindows())
      if (desk().windowText(t, 516) == caption) return t;
    return 0;
  }
  std::unique_ptr<sim::SimStandin> standin;
};

TEST_F(StandinTest, WindowAppearsAfterTheStartupTime) {
  standin->install("C:\\Roku\\RokuCtrl.exe");
  EXPECT_NE(world->shell.startProgram("C:\\roku\\rokuctrl.exe"), 0u);
  EXPECT_TRUE(desk().topLevelWindows().empty());
  world->clock.sleep(1499);
  EXPECT_TRUE(desk().topLevelWindows().empty());
  world->clock.sleep(1);
  ASSERT_EQ(desk().topLevelWindows().size(), 1u);
  EXPECT_EQ(desk().windowText(desk().topLevelWindows()[0], 516), kDefaultTitle);
  // A second start while it runs opens no second window.
  world->shell.startProgram("C:\\Roku\\RokuCtrl.exe");
  world->clock.sleep(5000);
  EXPECT_EQ(desk().topLevelWindows().size(), 1u);
}

TEST_F(StandinTest, DetailsFollowTheSelectionOnArrowKeysOnly) {
  standin->runNow();
  Hwnd list = h(kList), details = h(kDetails);
  EXPECT_EQ(desk().listBoxCount(list), 3);
  EXPECT_EQ(desk().listBoxText(list, 1), "2| |ドラマ|2004/10/16 21:00|01:00|4M");
  EXPECT_NE(desk().getText(details, 1000).find("FileSize : 850.5 MB"), std::string::npos);
  desk().listBoxSetCurSel(list, 2);
  EXPECT_NE(desk().getText(details, 1000).find("FileSize : 850.5 MB"), std::string::npos);
  desk().keyDown(list, 0x26);
  EXPECT_NE(desk().getText(details, 1000).find("FileSize : 1.5 GB\r\n"), std::string::npos);
  desk().keyDown(list, 0x28);
  desk().keyDown(list, 0x28);  // already on the last entry
  EXPECT_NE(desk().getText(details, 1000).find("FileSize : 30 MB"), std::string::npos);
}

// The controller's list box answers LB_SETCURSEL and the arrow keys as the real list box
// of the Win32 stand-in does under Wine (the same table runs there in the Wine tests):
// selection, caret, answers, and whether the controller is told of the selection.
TEST(StandinListBox, AnswersAsTheRealListBox) {
  struct Step {
    const char* what;
    bool key;  // WM_KEYDOWN, else LB_SETCURSEL
    int arg;
    int answer, sel, caret;
    const char* shown;  // title the controller then shows; "-": it was not told
  };
  struct Sequence {
    int entries;
    std::vector<Step> steps;
  };
  const int up = 0x26, down = 0x28;
  const std::vector<Sequence> table = {
      {1,
       {{"setcursel 1", false, 1, -1, 0, 0, "-"},
        {"up", true, up, 0, 0, 0, "番組1"},
        {"down", true, down, 0, 0, 0, "番組1"}}},
      {3,
       {{"setcursel 1", false, 1, 1, 1, 1, "-"},
        {"up", true, up, 0, 0, 0, "番組1"},
        {"up at the top", true, up, 0, 0, 0, "番組1"},
        {"down", true, down, 0, 1, 1, "番組2"},
        {"down", true, down, 0, 2, 2, "番組3"},
        {"down at the end", true, down, 0, 2, 2, "番組3"},
        {"setcursel 3", false, 3, -1, 2, 2, "-"},
        {"setcursel -1", false, -1, -1, -1, 2, "-"},
        {"up with no selection", true, up, 0, 2, 2, "番組3"},
        {"setcursel -1", false, -1, -1, -1, 2, "-"},
        {"down with no selection", true, down, 0, 2, 2, "番組3"},
        {"setcursel 0", false, 0, 0, 0, 0, "-"},
        {"down", true, down, 0, 1, 1, "番組2"}}},
      {0,
       {{"setcursel 1", false, 1, -1, -1, 0, "-"},
        {"up", true, up, 0, -1, 0, "-"},
        {"down", true, down, 0, -1, 0, "-"}}},
  };
  for (const auto& seq : table) {
    TempDir dir;
    sim::SimWorld world(dir.path(), {2026, 12, 7, 22, 0, 0, 0, 1}, [](std::string_view) {});
    sim::SimStandin standin(world);
    applyConfigLine(standin.config, "recordings " + std::to_string(seq.entries));
    standin.runNow();
    auto& desk = *world.desktop;
    const Hwnd list = standin.handleOf(kList), details = standin.handleOf(kDetails);
    const sim::SimWindow& box = *desk.window(list);
    EXPECT_EQ(box.curSel, seq.entries ? 0 : -1);
    EXPECT_EQ(box.caret, 0);
    for (const auto& st : seq.steps) {
      SCOPED_TRACE(std::to_string(seq.entries) + " entries, " + st.what);
      desk.setText(details, "-");
      int answer = 0;
      if (st.key)
        desk.keyDown(list, st.arg);
      else
        answer = desk.listBoxSetCurSel(list, st.arg);
      EXPECT_EQ(answer, st.answer);
      EXPECT_EQ(box.curSel, st.sel);
      EXPECT_EQ(box.caret, st.caret);
      const std::string text = desk.getText(details, 1000);
      const std::string key = "タイトル : ";
      const auto at = text.find(key);
      const std::string shown =
          text == "-" ? "-"
          : at == std::string::npos
              ? ""
              : text.substr(at + key.size(), text.find("\r\n", at) - at - key.size());
      EXPECT_EQ(shown, st.shown);
    }
  }
}

TEST_F(StandinTest, HeaderButtonsSortAndToggle) {
  standin->runNow();
  press(kHeadDay, ClickMode::Posted);
  world->clock.doEvents();
  EXPECT_EQ(desk().listBoxText(h(kList), 0).substr(0, 2), "2|");
  press(kHeadDay, ClickMode::Posted);
  world->clock.doEvents();
  EXPECT_EQ(desk().listBoxText(h(kList), 0).substr(0, 2), "3|");
  // The details text moves with the sorted entries.
  EXPECT_NE(desk().getText(h(kDetails), 1000).find("30 MB"), std::string::npos);
}

TEST_F(StandinTest, ReceiveOpensTheSaveDialogWhileVarnoltSleeps) {
  standin->runNow();
  std::filesystem::create_directories(dir.path() / "d" / "dl");
  desk().listBoxSetCurSel(h(kList), 0);
  press(kReceive, ClickMode::Posted);
  EXPECT_EQ(dialog("名前を付けて保存"), 0u);
  world->clock.sleep(2000);  // no message pumping on Varnolt's side
  Hwnd save = dialog("名前を付けて保存");
  ASSERT_NE(save, 0u);
  EXPECT_EQ(desk().className(save, 128), "RokuCtrlWindow");
  desk().setText(h(kSaveEdit), "D:\\dl\\ニュース");
  press(kSaveOk);
  EXPECT_EQ(dialog("名前を付けて保存"), 0u);
  EXPECT_FALSE(desk().isEnabled(h(kReceive)));
  EXPECT_FALSE(desk().isEnabled(h(kPcPlay)));
  EXPECT_GT(desk().trackbarPos(h(kSlider)), 0);
  EXPECT_EQ(desk().trackbarMax(h(kSlider)), kTrackMax);
  world->clock.sleep(5000);
  const auto half = hostSize("d/dl/ニュース.m2t");
  EXPECT_GT(half, 0u);
  EXPECT_LT(half, sizeBytes("850.5 MB"));
  world->clock.sleep(5000);
  EXPECT_EQ(hostSize("d/dl/ニュース.m2t"), sizeBytes("850.5 MB"));
  EXPECT_EQ(desk().trackbarPos(h(kSlider)), 0);
  EXPECT_TRUE(desk().isEnabled(h(kReceive)));
}

TEST_F(StandinTest, InterruptStopsTheTransfer) {
  standin->runNow();
  std::filesystem::create_directories(dir.path() / "d");
  press(kReceive);
  desk().setText(h(kSaveEdit), "D:\\a.m2t");  // an extension given is not doubled
  press(kSaveOk);
  world->clock.sleep(3000);
  press(kInterrupt);
  EXPECT_EQ(desk().trackbarPos(h(kSlider)), 0);
  EXPECT_TRUE(desk().isEnabled(h(kReceive)));
  EXPECT_LT(hostSize("d/a.m2t"), sizeBytes("850.5 MB"));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "d" / "a.m2t.m2t"));
}

class ConversionTest : public StandinTest {
 protected:
  void convert() {
    std::filesystem::create_directories(dir.path() / "e" / "out");
    writeHost(dir.path() / "e" / "src" / "番組.m2t", std::string(4000, 'x'));
    standin->runNow();
    press(kDirectory, ClickMode::SentWithTimeout);
    Hwnd dirDlg = dialog("ディレクトリ設定");
    ASSERT_NE(dirDlg, 0u);
    auto kids = desk().childWindows(dirDlg);
    ASSERT_GE(kids.size(), 8u);
    EXPECT_EQ(desk().className(kids[3], 128), "Edit");
    desk().setText(kids[3], "E:\\out");
    desk().setText(kids[7], "");
    press(kDirOk, ClickMode::SentWithTimeout);
    EXPECT_EQ(dialog("ディレクトリ設定"), 0u);
    press(kPcPlay, ClickMode::SentWithTimeout);
    ASSERT_NE(dialog("ファイルを開く"), 0u);
    desk().setText(h(kOpenEdit), "E:\\src\\番組.m2t");
    press(kOpenOk, ClickMode::SentWithTimeout);
    EXPECT_FALSE(desk().isEnabled(h(kPcPlay)));
    world->clock.sleep(10000);
    EXPECT_TRUE(desk().isEnabled(h(kPcPlay)));
    EXPECT_EQ(desk().trackbarPos(h(kSlider)), 0);
  }
};

TEST_F(ConversionTest, WritesTheMpgOfTheSourcesSize) {
  convert();
  EXPECT_EQ(hostSize("e/out/番組.mpg"), 4000u);
}

TEST_F(ConversionTest, SmallerAndMissingOutputFaults) {
  standin->config.faults.insert(Fault::SmallerOutput);
  convert();
  EXPECT_EQ(hostSize("e/out/番組.mpg"), 2000u);
  standin->terminate();
  std::filesystem::remove(dir.path() / "e" / "out" / "番組.mpg");
  standin->config.faults = {Fault::NoOutput};
  convert();
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "e" / "out" / "番組.mpg"));
}

TEST_F(StandinTest, ExitMidTransferTakesTheWindowsAway) {
  standin->config.faults.insert(Fault::ExitMidTransfer);
  standin->runNow();
  std::filesystem::create_directories(dir.path() / "d");
  press(kReceive);
  desk().setText(h(kSaveEdit), "D:\\b");
  Hwnd slider = h(kSlider);
  press(kSaveOk);
  world->clock.sleep(6000);
  EXPECT_FALSE(standin->running());
  EXPECT_TRUE(desk().topLevelWindows().empty());
  EXPECT_EQ(desk().trackbarPos(slider), 0);
  EXPECT_EQ(hostSize("d/b.m2t"), sizeBytes("850.5 MB") / 2);
}

TEST_F(StandinTest, DialogsThatNeverOpen) {
  standin->config.faults.insert(Fault::DialogNeverOpens);
  standin->runNow();
  press(kReceive, ClickMode::Posted);
  press(kDirectory);
  press(kPcPlay);
  world->clock.sleep(3000);
  EXPECT_EQ(desk().topLevelWindows().size(), 1u);
}

TEST_F(StandinTest, HungControllerAnswersNothingAndResumes) {
  standin->config.faults.insert(Fault::Hung);
  standin->runNow();
  Hwnd list = h(kList);
  EXPECT_EQ(desk().listBoxCount(list), 0);
  EXPECT_EQ(desk().getTextLength(h(kDetails)), 0);
  EXPECT_FALSE(desk().click(h(kDirectory), ClickMode::SentWithTimeout, 1000));
  EXPECT_TRUE(desk().click(h(kHeadTitle), ClickMode::Posted, 0));
  world->clock.sleep(1000);
  EXPECT_EQ(desk().listBoxText(list, 0), "");
  standin->setHung(false);
  // The header click posted meanwhile is handled now: sorted by title.
  EXPECT_EQ(desk().listBoxText(list, 0).substr(0, 2), "2|");
}

TEST_F(StandinTest, NoDetailsTextAndReport) {
  standin->config.faults.insert(Fault::NoDetails);
  standin->config.title = "ロクラク コントローラ";
  standin->runNow();
  EXPECT_EQ(h(kDetails), 0u);
  for (Hwnd c : desk().childWindows(h(kMain)))
    EXPECT_EQ(desk().windowText(c, 516).find("FileSize :"), std::string::npos);
  auto report = standin->report();
  ASSERT_FALSE(report.empty());
  EXPECT_EQ(report[0].first, "main");
  EXPECT_EQ(desk().windowText(report[0].second, 516), "ロクラク コントローラ");
  press(kExit, ClickMode::Posted);
  world->clock.doEvents();
  EXPECT_FALSE(standin->running());
  EXPECT_TRUE(standin->report().empty());
}

}  // namespace
}  // namespace varnolt::testing
