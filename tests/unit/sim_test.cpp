// The simulated desktop itself: drives, code page, clock, dialogs.
#include "fixture.hpp"

namespace varnolt::testing {
namespace {

class SimTest : public WorldTest {};

TEST_F(SimTest, DriveLettersMapOntoFoldersCaseInsensitively) {
  auto& fs = world->files;
  writeHost(dir.path() / "c" / "Rec" / "News.m2t", "12345");
  EXPECT_TRUE(fs.fileExists("C:\\Rec\\News.m2t"));
  EXPECT_TRUE(fs.fileExists("c:\\REC\\news.M2T"));
  EXPECT_TRUE(fs.folderExists("C:\\rec\\"));
  EXPECT_EQ(fs.fileSize("C:\\rec\\news.m2t"), 5);
  EXPECT_FALSE(fs.fileExists("Z:\\Rec\\News.m2t"));
  EXPECT_FALSE(fs.fileExists("Rec\\News.m2t"));
  try {
    fs.readAll("Z:\\x");
    ADD_FAILURE() << "a missing drive must fail";
  } catch (const RunError& e) {
    EXPECT_EQ(e.number(), 71);
  }
  try {
    fs.readAll("C:\\Rec\\none.m2t");
    ADD_FAILURE() << "a missing file must fail";
  } catch (const RunError& e) {
    EXPECT_EQ(e.number(), 53);
  }
}

TEST_F(SimTest, ReplaceIsAllOrNothing) {
  auto& fs = world->files;
  fs.replaceFile("C:\\Varnolt\\a.ini", "one");
  fs.replaceFile("C:\\Varnolt\\A.INI", "two");
  EXPECT_EQ(readHost(appHost("a.ini")), "two");
  EXPECT_THROW(fs.replaceFile("C:\\NoFolder\\a.ini", "x"), RunError);
  fs.setAttributes("C:\\Varnolt\\a.ini", 1);
  EXPECT_THROW(fs.replaceFile("C:\\Varnolt\\a.ini", "three"), RunError);
  EXPECT_THROW(fs.deleteFile("C:\\Varnolt\\a.ini"), RunError);
  EXPECT_EQ(readHost(appHost("a.ini")), "two");
  std::size_t entries = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(appHost(""))) ++entries;
  EXPECT_EQ(entries, 1u) << "no temporary file may stay behind";
}

TEST_F(SimTest, MakeSurePathCreatesEveryFolderUpToTheLastBackslash) {
  auto& fs = world->files;
  EXPECT_TRUE(fs.makeSurePathExists("C:\\a\\b\\c\\file.mpg"));
  EXPECT_TRUE(fs.folderExists("C:\\a\\b\\c"));
  EXPECT_FALSE(fs.folderExists("C:\\a\\b\\c\\file.mpg"));
  EXPECT_FALSE(fs.makeSurePathExists("Q:\\x\\"));
}

TEST_F(SimTest, Cp932RoundTripsWhatShiftJisLacks) {
  auto& c = world->codec;
  EXPECT_EQ(c.toAnsi("Ⅱ"), "\x87\x55");
  EXPECT_EQ(c.toAnsi("①"), "\x87\x40");
  EXPECT_EQ(c.toAnsi("ｶﾅ"), "\xB6\xC5");
  EXPECT_EQ(c.toAnsi("～"), "\x81\x60");  // full-width tilde, as Windows maps it
  EXPECT_EQ(c.fromAnsi("\x87\x55\x82\xA0"), "Ⅱあ");
  // Characters outside the code page become '?', bad bytes the default character.
  EXPECT_EQ(c.toAnsi("a😀b"), "a?b");
  EXPECT_EQ(c.fromAnsi("a\x81"), "a・");
}

TEST_F(SimTest, DamagedBytesNeverSwallowTheCharacterAfterThem) {
  auto& c = world->codec;
  // A lead byte without its trail byte is one default character; what follows it
  // (a line end, a letter) is read on its own.
  EXPECT_EQ(c.fromAnsi("ab\x81\ncd"), "ab・\ncd");
  EXPECT_EQ(c.fromAnsi("\x9F\r\x82\xA0"), "・\rあ");
  EXPECT_EQ(c.fromAnsi("\x85\x40!"), "・!");  // an unassigned pair is one character
  EXPECT_EQ(c.toAnsi("x\xE3\x81\ny"), "x?\ny");
  EXPECT_EQ(c.toAnsi("\xF0\x9F"
                     "a"),
            "?a");
}

TEST_F(SimTest, ClockMovesOnlyWhenTheProgramWaits) {
  auto& clock = world->clock;
  EXPECT_EQ(world->regional.shortDate(clock.now()), "2004/10/17");
  EXPECT_EQ(world->regional.longTime(clock.now()), "21:05:33");
  clock.sleep(3 * 3600 * 1000);
  EXPECT_EQ(world->regional.shortDate(clock.now()), "2004/10/18");
  EXPECT_EQ(world->regional.longTime(clock.now()), "0:05:33");
  EXPECT_EQ(clock.now().weekday, 1);  // Monday
}

TEST_F(SimTest, TimersTickOnlyInTheMessageLoopAndNeverNest) {
  Form1& f = makeForm();
  std::vector<std::int64_t> ticks;
  f.Timer1.onTimer = [&] {
    ticks.push_back(world->clock.ticks());
    world->clock.doEvents();  // a tick that pumps messages must not run itself again
  };
  f.Timer1.setEnabled(true);
  world->clock.sleep(10'000);  // blocked: no tick
  EXPECT_TRUE(ticks.empty());
  world->clock.doEvents();  // overdue: one tick, after the pass's own millisecond
  EXPECT_EQ(ticks.size(), 1u);
  world->clock.idle(6'000);
  EXPECT_EQ(ticks, (std::vector<std::int64_t>{10'001, 13'001, 16'001}));
  f.Timer1.setEnabled(false);
  world->clock.idle(10'000);
  EXPECT_EQ(ticks.size(), 3u);
}

TEST_F(SimTest, ATickWaitingInTheMessageLoopHoldsBackOnlyItsOwnTimer) {
  Form1& f = makeForm();
  std::vector<std::string> seen;
  bool waiting = true;
  f.Timer2.onTimer = [&] {
    seen.push_back("Timer2@" + std::to_string(world->clock.ticks()));
    // Spins like a dialog wait: every pass lets 1 ms go by.
    while (waiting) world->clock.doEvents();
  };
  f.Timer1.onTimer = [&] {
    seen.push_back("Timer1@" + std::to_string(world->clock.ticks()));
    if (world->clock.ticks() >= 9'000) waiting = false;
  };
  f.Timer2.setEnabled(true);
  world->clock.sleep(1'000);
  f.Timer1.setEnabled(true);
  world->clock.idle(2'000);  // Timer2 is due at 3000 and waits until Timer1 frees it
  EXPECT_EQ(seen, (std::vector<std::string>{"Timer2@3000", "Timer1@4000", "Timer1@7000",
                                            "Timer1@10000"}));
  // Timer2's own ticks at 6000 and 9000 were dropped; it goes on from its last due time.
  world->clock.idle(3'000);
  ASSERT_EQ(seen.size(), 6u);
  EXPECT_EQ(seen[4], "Timer2@12000");
  EXPECT_EQ(seen[5], "Timer1@13000");
}

TEST_F(SimTest, MessageBoxesTakeQueuedAnswersOrTheirFirstButton) {
  auto& d = world->dialogs;
  EXPECT_EQ(d.messageBox("q", "Varnolt", 0x24), platform::mb::kIdYes);
  d.answers.push_back(platform::mb::kIdNo);
  EXPECT_EQ(d.messageBox("q", "Varnolt", 0x24), platform::mb::kIdNo);
  d.answers.push_back(platform::mb::kIdNo);
  EXPECT_THROW(d.messageBox("a\r\nb", "T", 0), sim::ScriptMismatch);
  EXPECT_EQ(msgboxes(), (std::vector<std::string>{"36|Varnolt|q", "36|Varnolt|q", "0|T|a\\r\\nb"}));
}

TEST_F(SimTest, RegionalNumbersUseGroupingAndRoundHalfAway) {
  auto& r = world->regional;
  EXPECT_EQ(r.formatNumber(1234567.5, 0), "1,234,568");
  EXPECT_EQ(r.formatNumber(999.4, 0), "999");
  EXPECT_EQ(r.formatNumber(0.125, 2), "0.13");
  EXPECT_EQ(r.formatNumber(-1500, 0), "-1,500");
  EXPECT_EQ(r.formatPercent(0.5), "50.00%");
  EXPECT_EQ(r.formatPercent(1), "100.00%");
}

TEST_F(SimTest, TextReadThroughABufferIsCutInTheCodePageNeverInsideADoubleByteCharacter) {
  auto& desk = *world->desktop;
  const Hwnd h = desk.createWindow(desk.createProcess().pid, 0, "Static", "a受信😀").handle;
  // One byte, two double-byte characters and one the code page lacks ("?").
  EXPECT_EQ(desk.getTextLength(h), 6);
  EXPECT_EQ(desk.getText(h, 7), "a受信?");
  EXPECT_EQ(desk.getText(h, 6), "a受信");
  EXPECT_EQ(desk.getText(h, 3), "a");
  EXPECT_EQ(desk.getText(h, 1), "");
}

TEST_F(SimTest, StartingAProgramNeedsItsFile) {
  EXPECT_THROW(world->shell.startProgram("C:\\RokuCtrl\\RokuCtrl.exe"), RunError);
  writeHost(dir.path() / "c" / "Tools" / "x.exe", "MZ");
  EXPECT_NE(world->shell.startProgram("C:\\Tools\\X.EXE"), 0u);
}

}  // namespace
}  // namespace varnolt::testing
