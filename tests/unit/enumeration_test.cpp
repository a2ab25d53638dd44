// Window enumeration, the controller title test, the control-map rules and the launch.
#include "automation/window_list.hpp"
#include "fixture.hpp"

namespace varnolt::testing {

using controls::ListView;
namespace {

class EnumerationTest : public WorldTest {
 protected:
  sim::SimDesktop& desktop() { return *world->desktop; }
  sim::SimWindow& top(const std::string& cls, const std::string& caption) {
    return desktop().createWindow(pid(), 0, cls, caption);
  }
  sim::SimWindow& child(Hwnd parent, const std::string& cls, const std::string& caption) {
    return desktop().createWindow(pid(), parent, cls, caption);
  }
  std::uint32_t pid() {
    if (pid_ == 0) pid_ = desktop().createProcess().pid;
    return pid_;
  }
  std::uint32_t pid_ = 0;
};

TEST_F(EnumerationTest, HandleTextIsZeroPaddedToEightDigits) {
  Form1& f = makeForm();
  desktop().nextHandle = 0x1A2B;
  top("Notepad", "memo");
  desktop().nextHandle = 0xFEDC1234;
  top("Notepad", "memo2");
  f.GetTopWindBtn_Click();
  ASSERT_EQ(f.ListView2.count(), 2u);
  EXPECT_EQ(f.ListView2.item(1).text, "FEDC1234");  // the later window is on top
  EXPECT_EQ(f.ListView2.item(2).text, "00001A2B");
  EXPECT_EQ(f.ListView2.item(2).subItem(1), "Notepad");
  EXPECT_EQ(f.ListView2.item(2).subItem(2), "memo");
}

TEST_F(EnumerationTest, ClassAndCaptionAreCutToTheirBuffers) {
  Form1& f = makeForm();
  top(std::string(200, 'C'), std::string(600, 'x'));
  f.GetTopWindBtn_Click();
  EXPECT_EQ(f.ListView2.item(1).subItem(1), std::string(127, 'C'));
  EXPECT_EQ(f.ListView2.item(1).subItem(2), std::string(515, 'x'));
}

TEST_F(EnumerationTest, TitleTestTakesSubstringsButNotAFullWidthSpace) {
  Form1& f = makeForm();
  top("Other", "ロクラク　コントローラ");  // ideographic space
  top("Other", "");
  f.GetTopWindBtn_Click();
  EXPECT_EQ(f.StatusBar1.panel(2), "");
  auto& w = top("RokuClass", "ロクラク コントローラ - 接続中");
  f.GetTopWindBtn_Click();
  EXPECT_EQ(f.StatusBar1.panel(2), "ロクラク コントローラ - 接続中");
  EXPECT_EQ(f.StatusBar1.panel(3), "RokuClass");
  EXPECT_EQ(f.StatusBar1.panel(4), handleText(w.handle));
  EXPECT_TRUE(isControllerTitle("[ロクラクⅡ コントローラ]"));
  EXPECT_FALSE(isControllerTitle("ロクラクII コントローラ"));
}

TEST_F(EnumerationTest, TheLastMatchingWindowWins) {
  Form1& f = makeForm();
  auto& older = top("A", "ロクラク コントローラ");
  top("B", "ロクラクⅡ コントローラ");
  f.GetTopWindBtn_Click();
  // The older window is lower in the Z-order, so it is visited last.
  EXPECT_EQ(f.StatusBar1.panel(3), "A");
  EXPECT_EQ(f.StatusBar1.panel(4), handleText(older.handle));
}

TEST_F(EnumerationTest, PanelsSurviveAnEnumerationThatFindsNoController) {
  Form1& f = makeForm();
  auto& w = top("A", "ロクラク コントローラ");
  f.GetTopWindBtn_Click();
  desktop().destroyWindow(w.handle);
  f.GetTopWindBtn_Click();
  EXPECT_EQ(f.ListView2.count(), 0u);
  EXPECT_EQ(f.StatusBar1.panel(2), "ロクラク コントローラ");
}

TEST_F(EnumerationTest, TopLevelListIsClearedChildListsAppend) {
  Form1& f = makeForm();
  auto& main = top("Main", "x");
  auto& group = child(main.handle, "Button", "group");
  child(group.handle, "Edit", "inner");
  child(main.handle, "Static", "");
  f.GetTopWindBtn_Click();
  f.GetTopWindBtn_Click();
  EXPECT_EQ(f.ListView2.count(), 1u);
  StartUpChildList::EnumChildWindows(f, main.handle, f.ListView4);
  StartUpChildList::EnumChildWindows(f, main.handle, f.ListView4);
  ASSERT_EQ(f.ListView4.count(), 6u);
  // Depth first: the group's edit comes before the group's next sibling.
  EXPECT_EQ(f.ListView4.item(2).subItem(1), "Edit");
  EXPECT_EQ(f.ListView4.item(3).subItem(2), "");
  EXPECT_EQ(f.ListView4.item(4).text, f.ListView4.item(1).text);
  // Child enumeration never touches the panels, even for a controller-like caption.
  child(main.handle, "Static", "ロクラク コントローラ");
  StartUpChildList::EnumChildWindows(f, main.handle, f.ListView3);
  EXPECT_EQ(f.StatusBar1.panel(2), "");
  EXPECT_EQ(StartUpChildList::EnumChildWindowsProc(f, main.handle, f.ListView3), -1);
  EXPECT_EQ(StartUpWindowList::EnumTopWindowsProc(f, main.handle, f.ListView2), -1);
}

void addRow(ListView& l, const std::string& handle, const std::string& cls,
            const std::string& caption) {
  std::size_t r = l.add(handle);
  l.setSubItem(r, 1, cls);
  l.setSubItem(r, 2, caption);
}

TEST_F(EnumerationTest, MapRulesLaterRowWinsAndMissingEntriesKeepTheirText) {
  Form1& f = makeForm();
  f.Rc_Rec_Column_Title.setText("0000AAAA");
  f.rc_dir_btn.setText("0000BBBB");
  addRow(f.ListView3, "00000001", "ListBox", "first");
  addRow(f.ListView3, "00000002", "ListBox", "");
  addRow(f.ListView3, "00000003", "Button", "PCで再生");
  addRow(f.ListView3, "00000004", "Button", "再生");
  addRow(f.ListView3, "00000005", "Button", "ディレクトリ");  // full width: not the button
  addRow(f.ListView3, "00000006", "button", "受信");          // class compared exactly
  addRow(f.ListView3, "00000007", "msctls_trackbar32", "Slider1");
  addRow(f.ListView3, "00000008", "Static", "FileSize : 1 MB");
  fillControlMap(f);
  EXPECT_EQ(f.rc_rec_list.text(), "00000002");
  EXPECT_EQ(f.rc_pcdown_btn.text(), "00000003");
  EXPECT_EQ(f.rc_saisei_btn.text(), "00000004");
  EXPECT_EQ(f.rc_dir_btn.text(), "0000BBBB");
  EXPECT_EQ(f.rc_zyusin_btn.text(), "");
  EXPECT_EQ(f.rc_slider.text(), "00000007");
  EXPECT_EQ(f.Rc_Rec_Column_Title.text(), "0000AAAA");
  EXPECT_EQ(f.rc_recdata.text(), "");  // found by the size reader, not here
}

// A shell whose start raises a run-time error other than a missing file.
class FailingShell : public platform::Shell {
 public:
  std::uint32_t startProgram(std::string_view) override { throw RunError(70); }
  void openDocument(Hwnd, std::string_view) override {}
};

TEST_F(EnumerationTest, OtherRunTimeErrorsShowNumberAndDescription) {
  FailingShell shell;
  platform::Platform p{world->clock,
                       world->regional,
                       world->codec,
                       world->files,
                       world->dialogs,
                       shell,
                       world->registry,
                       *world->desktop,
                       world->power,
                       "C:\\Varnolt",
                       {}};
  Form1 f(p);
  f.Label2.setCaption("C:\\RokuCtrl.exe");
  f.Command3_Click();
  ASSERT_EQ(msgboxes().size(), 1u);
  EXPECT_EQ(msgboxes()[0], "0|Varnolt|70" + errorDescription(70));
}

TEST_F(EnumerationTest, LaunchClearsTheListsAndEnablesCommand9WithConversionRows) {
  Form1& f = makeForm();
  auto& main = top("RokuCtrlWindow", "ロクラクⅡ コントローラ");
  child(main.handle, "ListBox", "");
  f.ListView1.add();
  f.ListView4.add();
  f.ListView10.add();
  f.StatusBar1.setPanel(1, "old");
  const auto before = world->clock.ticks();
  f.Command3_Click();
  // Two sleeps of 1000 ms and one pass of the message loop.
  EXPECT_EQ(world->clock.ticks() - before, 2001);
  EXPECT_EQ(f.ListView1.count(), 0u);
  EXPECT_EQ(f.ListView4.count(), 0u);
  EXPECT_EQ(f.ListView3.count(), 1u);
  EXPECT_EQ(f.StatusBar1.panel(1), "");
  EXPECT_TRUE(f.Command1.enabled());
  EXPECT_TRUE(f.Command9.enabled());
  EXPECT_TRUE(msgboxes().empty());
}

TEST_F(EnumerationTest, MalformedHandleTextIsReportedNotRaised) {
  Form1& f = makeForm();
  f.Text101.setText("");
  EXPECT_NO_THROW(f.Command12_Click());
  f.Text101.setText("12345678Z");
  EXPECT_NO_THROW(f.Command11_Click());
  ASSERT_EQ(msgboxes().size(), 2u);
  EXPECT_NE(msgboxes()[1].find("12345678Z"), std::string::npos);
}

}  // namespace
}  // namespace varnolt::testing
