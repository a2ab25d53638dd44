// End-of-work actions that the scenarios cannot reach from the window: the controller's
// quit button missing from its child list, log.ini at the instant of a power or session
// request, and the exit flag every choice leaves.
#include "fixture.hpp"

namespace varnolt::testing {
namespace {

class EndWorkTest : public WorldTest {};

TEST_F(EndWorkTest, QuitButtonMissingFromTheChildListIsAnErrorAndNothingIsSent) {
  for (std::size_t choice : {7u, 8u}) {
    events.clear();
    Form1& f = startForm();
    // A child list without "終了": another button of that caption class, and a "終了"
    // of another class.
    std::size_t r = f.ListView3.add("00020100");
    f.ListView3.setSubItem(r, 1, "Button");
    f.ListView3.setSubItem(r, 2, "中断");
    r = f.ListView3.add("00020200");
    f.ListView3.setSubItem(r, 1, "Static");
    f.ListView3.setSubItem(r, 2, "終了");
    f.Option1[choice].setValue(true);
    const std::string log = f.Text5.text();
    f.Win_Exit_State();
    EXPECT_EQ(msgboxes(), std::vector<std::string>{"0|Varnolt|エラーが発生しました"}) << choice;
    EXPECT_EQ(f.Text5.text(), log) << "nothing is logged";
    EXPECT_FALSE(f.closed) << "Varnolt stays open";
    EXPECT_TRUE(f.state.exitFlag) << "the exit flag is set all the same";
    for (const auto& e : events) EXPECT_EQ(e.rfind("power:", 0), std::string::npos) << e;
  }
}

TEST_F(EndWorkTest, LogIniHoldsTheStartingLineWhenThePowerOrSessionRequestIsMade) {
  const char* starting[] = {
      "全ての作業が終了したのでサスペンドします",     "全ての作業が終了したので休止状態にします",
      "全ての作業が終了したのでログオフします",       "全ての作業が終了したので再起動します",
      "全ての作業が終了したのでシャットダウンします",
  };
  // log.ini as it is on disk at the instant of the request, not after the close.
  std::vector<std::string> atRequest;
  world->sink = [&](std::string_view l) {
    if (l.rfind("power: ", 0) == 0 && l.rfind("power: privilege", 0) != 0)
      atRequest.push_back(readHost(appHost("log.ini")));
  };
  for (std::size_t choice = 0; choice < 5; ++choice) {
    atRequest.clear();
    Form1& f = startForm();
    f.Option1[choice].setValue(true);
    f.Win_Exit_State();
    ASSERT_EQ(atRequest.size(), 1u) << choice;
    EXPECT_NE(atRequest[0].find(ansi(starting[choice])), std::string::npos) << choice;
  }
}

TEST_F(EndWorkTest, ExitFlagIsClearedOnlyByDoNothing) {
  Form1& f = startForm();
  for (std::size_t choice : {5u, 7u}) {
    f.Option1[choice].setValue(true);
    f.Win_Exit_State();
    EXPECT_EQ(f.state.exitFlag, choice != 5) << choice;
  }
  EXPECT_FALSE(f.closed);
}

}  // namespace
}  // namespace varnolt::testing
