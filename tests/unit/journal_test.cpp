// The night's journal text and the integrity comparison that explains an elevated
// controller: pure functions, checked over their inputs.
#include <gtest/gtest.h>

#include "app/journal.hpp"
#include "platform/integrity.hpp"

namespace varnolt::testing {
namespace {

using Outcome = NightTally::Outcome;

NightJournal sample() {
  NightJournal j;
  j.check1 = 1;
  j.check2 = 0;
  j.endOfWork = EndOfWork::PowerOff;
  j.downloaded = 2;
  j.converted = 1;
  j.failed = {"天気", "a.m2t"};
  j.recordings = {
      {Outcome::Done, "ニュース", "2026/12/01 19:00", "00:30", "X:\\録画", ""},
      {Outcome::Saving, " 映画 ", "2026/12/01 21:00", "02:00", "D:\\mpg", "X:\\録画\\映画_01"},
      {Outcome::Todo, "", "", "", "未設定", ""},
      {Outcome::Failed, "天気", "2026/12/01 20:00", "00:10", "X:\\録画", ""}};
  j.conversions = {
      {true, "変換は正常に行われたようです", "X:\\録画\\ニュース.m2t", "X:\\録画", false},
      {false, "未作業", "D:\\a.m2t", "D:\\", true}};
  return j;
}

TEST(Journal, TextHoldsOneLinePerFieldAndReadsBackWhole) {
  const NightJournal j = sample();
  const std::string text = journalText(j);
  EXPECT_EQ(text,
            "[Varnolt night]\r\nCheck1=1\r\nCheck2=0\r\nEndOfWork=4\r\nTally=2|1\r\n"
            "Failed=天気\r\nFailed=a.m2t\r\n"
            "Recording=done|ニュース|2026/12/01 19:00|00:30|X:\\録画|\r\n"
            "Recording=saving| 映画 |2026/12/01 21:00|02:00|D:\\mpg|X:\\録画\\映画_01\r\n"
            "Recording=todo||||未設定|\r\n"
            "Recording=failed|天気|2026/12/01 20:00|00:10|X:\\録画|\r\n"
            "Conversion=1|変換は正常に行われたようです|X:\\録画\\ニュース.m2t|X:\\録画|\r\n"
            "Conversion=0|未作業|D:\\a.m2t|D:\\|current\r\n");
  const auto back = parseJournal(text);
  ASSERT_TRUE(back);
  EXPECT_EQ(journalText(*back), text);
  EXPECT_EQ(back->recordingsLeft(), 2);
  EXPECT_EQ(back->conversionsLeft(), 0);
  EXPECT_TRUE(back->conversions[1].current);
  EXPECT_EQ(back->recordings[1].outcome, Outcome::Saving);
}

TEST(Journal, ATextThatIsNoJournalIsRefused) {
  const std::string good = journalText(sample());
  for (const std::string& bad :
       {std::string(), std::string("/text4.text\r\nD:\\録画\r\n"),
        good + "Recording=lost|a|b|c|d|\r\n", good + "Check1=2\r\n", good + "EndOfWork=10\r\n",
        good + "Tally=1\r\n", good + "Recording=todo|a|b|c\r\n", good + "Conversion=1|a|b|c\r\n",
        good + "Unknown=1\r\n", good + "no equals sign\r\n"})
    EXPECT_FALSE(parseJournal(bad)) << bad;
}

TEST(Integrity, AControllerAboveOurLevelOrRefusingWithAccessDeniedRefusesMessages) {
  using platform::IntegrityProbe;
  constexpr std::uint32_t medium = 0x2000, high = 0x3000;
  EXPECT_TRUE(refusesMessages(IntegrityProbe{high, medium}));
  EXPECT_FALSE(refusesMessages(IntegrityProbe{medium, medium}));
  EXPECT_FALSE(refusesMessages(IntegrityProbe{medium, high}));
  // A level that cannot be read decides nothing; the refused send does.
  EXPECT_FALSE(refusesMessages(IntegrityProbe{std::nullopt, medium}));
  EXPECT_FALSE(refusesMessages(IntegrityProbe{high, std::nullopt}));
  EXPECT_TRUE(refusesMessages(IntegrityProbe{std::nullopt, medium, false, 5}));
  EXPECT_TRUE(refusesMessages(IntegrityProbe{medium, medium, false, 5}));
  // A send that timed out (a hung controller) is not a privilege problem.
  EXPECT_FALSE(refusesMessages(IntegrityProbe{medium, medium, false, 1460}));
}

}  // namespace
}  // namespace varnolt::testing
