// The file-name rule list: the add button and the time fields' focus handlers.
#include "fixture.hpp"

namespace varnolt::testing {

using controls::Date;
using controls::ListItem;
namespace {

class RulesTest : public WorldTest {
 protected:
  Form1& ready() {
    Form1& f = startForm();  // the date picker shows 2004/10/17, a Sunday
    f.Rec_Taitle.setText("ニュース");
    f.Start_H.setText("21");
    f.Start_M.setText("00");
    f.End_H.setText("21");
    f.End_M.setText("54");
    return f;
  }
};

TEST_F(RulesTest, EmptyTitleIsRefused) {
  Form1& f = ready();
  f.Rec_Taitle.setText("");
  f.Command13.click();
  EXPECT_EQ(f.AutoFNameView.count(), 0u);
  ASSERT_EQ(msgboxes().size(), 1u);
  EXPECT_EQ(msgboxes()[0], "0|Varnolt|タイトルを入力してください");
}

TEST_F(RulesTest, SameStartAndEndTimeIsRefused) {
  Form1& f = ready();
  f.End_M.setText("00");
  f.Command13.click();
  EXPECT_EQ(f.AutoFNameView.count(), 0u);
  ASSERT_EQ(msgboxes().size(), 1u);
  EXPECT_EQ(msgboxes()[0], "0|Varnolt|開始、終了時間が同一ではいけません");
}

TEST_F(RulesTest, TimesAreComparedAsTexts) {
  Form1& f = ready();
  f.Start_H.setText("9");
  f.End_H.setText("09");
  f.End_M.setText("00");
  f.Command13.click();
  EXPECT_TRUE(msgboxes().empty());
  ASSERT_EQ(f.AutoFNameView.count(), 1u);
  EXPECT_EQ(f.AutoFNameView.item(1).subItem(3), "9:00");
  EXPECT_EQ(f.AutoFNameView.item(1).subItem(4), "09:00");
}

TEST_F(RulesTest, AnEndBeforeTheStartIsAccepted) {
  Form1& f = ready();
  f.End_H.setText("20");
  f.Command13.click();
  EXPECT_EQ(f.AutoFNameView.count(), 1u);
}

TEST_F(RulesTest, ARowHoldsDateWeekTimesAndTitle) {
  Form1& f = ready();
  f.Command13.click();
  ASSERT_EQ(f.AutoFNameView.count(), 1u);
  const ListItem& it = f.AutoFNameView.item(1);
  EXPECT_EQ(it.text, "");
  EXPECT_EQ(it.subItem(1), "04/10/17(日)");
  EXPECT_EQ(it.subItem(2), "＊＊＊＊＊＊＊");
  EXPECT_EQ(it.subItem(3), "21:00");
  EXPECT_EQ(it.subItem(4), "21:54");
  EXPECT_EQ(it.subItem(5), "ニュース");
}

TEST_F(RulesTest, WeekdaysRunFromSundayToSaturday) {
  Form1& f = ready();
  for (auto& y : f.youbi) y.setValue(1);
  f.Command13.click();
  f.youbi[0].setValue(0);
  f.youbi[3].setValue(0);
  f.youbi[6].setValue(0);
  f.Command13.click();
  ASSERT_EQ(f.AutoFNameView.count(), 2u);
  EXPECT_EQ(f.AutoFNameView.item(1).subItem(2), "日月火水木金土");
  EXPECT_EQ(f.AutoFNameView.item(2).subItem(2), "＊月火＊木金＊");
}

TEST_F(RulesTest, DateShowsTwoDigitsAndTheWeekdayOfThePickedDay) {
  Form1& f = ready();
  const std::pair<Date, const char*> cases[] = {{{2009, 3, 5}, "09/03/05(木)"},
                                                {{2000, 2, 29}, "00/02/29(火)"},
                                                {{2024, 1, 1}, "24/01/01(月)"},
                                                {{1999, 12, 31}, "99/12/31(金)"},
                                                {{2026, 12, 12}, "26/12/12(土)"}};
  for (const auto& [d, want] : cases) {
    f.DTPicker1.setValue(d);
    f.Command13.click();
    EXPECT_EQ(f.AutoFNameView.item(f.AutoFNameView.count()).subItem(1), want);
  }
}

TEST_F(RulesTest, EnteringAnUnsetStartTakesTheCurrentTime) {
  Form1& f = startForm();  // the clock reads 21:05:33
  f.Start_H.onGotFocus();
  EXPECT_EQ(f.Start_H.text(), "21");
  EXPECT_EQ(f.Start_M.text(), "05");
  EXPECT_EQ(f.Start_H.selStart, 0);
  EXPECT_EQ(f.Start_H.selLength, 2);
}

TEST_F(RulesTest, EnteringASetStartKeepsItAndSelectsIt) {
  Form1& f = startForm();
  f.Start_H.setText("7");
  f.Start_M.setText("00");
  f.Start_H.onGotFocus();
  EXPECT_EQ(f.Start_H.text(), "7");
  EXPECT_EQ(f.Start_M.text(), "00");
  EXPECT_EQ(f.Start_H.selLength, 1);
}

TEST_F(RulesTest, EnteringAnUnsetEndCopiesTheStart) {
  Form1& f = startForm();
  f.Start_H.setText("19");
  f.Start_M.setText("30");
  f.End_H.onGotFocus();
  EXPECT_EQ(f.End_H.text(), "19");
  EXPECT_EQ(f.End_M.text(), "30");
  EXPECT_EQ(f.End_H.selLength, 2);
}

TEST_F(RulesTest, EnteringASetEndKeepsIt) {
  Form1& f = startForm();
  f.Start_H.setText("19");
  f.End_H.setText("00");
  f.End_M.setText("15");
  f.End_H.onGotFocus();
  EXPECT_EQ(f.End_H.text(), "00");
  EXPECT_EQ(f.End_M.text(), "15");
}

TEST_F(RulesTest, MinuteFieldsOnlySelect) {
  Form1& f = startForm();
  f.Start_M.onGotFocus();
  f.End_M.onGotFocus();
  EXPECT_EQ(f.Start_M.text(), "00");
  EXPECT_EQ(f.Start_M.selLength, 2);
  EXPECT_EQ(f.End_M.selLength, 2);
  EXPECT_EQ(f.Start_H.text(), "00");
}

TEST_F(RulesTest, CancelDoesNothing) {
  Form1& f = ready();
  f.Command14.click();
  EXPECT_EQ(f.AutoFNameView.count(), 0u);
  EXPECT_TRUE(msgboxes().empty());
}

}  // namespace
}  // namespace varnolt::testing
