#include "common/text_rules.hpp"

#include <gtest/gtest.h>

namespace varnolt {
namespace {

int errorOf(auto f) {
  try {
    f();
  } catch (const RunError& e) {
    return e.number();
  }
  return 0;
}

TEST(Conversions, Int16FollowsTheRuntimeRules) {
  EXPECT_EQ(text_rules::toInt16("1"), 1);
  EXPECT_EQ(text_rules::toInt16(" 2 "), 2);
  EXPECT_EQ(text_rules::toInt16("-32768"), -32768);
  EXPECT_EQ(text_rules::toInt16("2.5"), 2);  // banker's rounding
  EXPECT_EQ(text_rules::toInt16("3.5"), 4);
  EXPECT_EQ(text_rules::toInt16("&H10"), 16);
  EXPECT_EQ(text_rules::toInt16("&HFFFF"), -1);
  EXPECT_EQ(errorOf([] { text_rules::toInt16("abc"); }), run_error::kTypeMismatch);
  EXPECT_EQ(errorOf([] { text_rules::toInt16(""); }), run_error::kTypeMismatch);
  EXPECT_EQ(errorOf([] { text_rules::toInt16("1x"); }), run_error::kTypeMismatch);
  EXPECT_EQ(errorOf([] { text_rules::toInt16("inf"); }), run_error::kTypeMismatch);
  EXPECT_EQ(errorOf([] { text_rules::toInt16("32768"); }), run_error::kOverflow);
}

TEST(Conversions, BooleansAcceptWordsAndNumbers) {
  EXPECT_TRUE(text_rules::toBool("True"));
  EXPECT_TRUE(text_rules::toBool("true"));
  EXPECT_FALSE(text_rules::toBool("False"));
  EXPECT_FALSE(text_rules::toBool("0"));
  EXPECT_TRUE(text_rules::toBool("-1"));
  EXPECT_TRUE(text_rules::toBool("7"));
  EXPECT_EQ(errorOf([] { text_rules::toBool("yes"); }), run_error::kTypeMismatch);
  EXPECT_STREQ(text_rules::boolWord(true), "True");
  EXPECT_STREQ(text_rules::boolWord(false), "False");
}

TEST(Conversions, NumberTextIsPlainDecimal) {
  EXPECT_EQ(text_rules::numberText(0), "0");
  EXPECT_EQ(text_rules::numberText(1500), "1500");
  EXPECT_EQ(text_rules::numberText(850.5), "850.5");
  EXPECT_EQ(text_rules::numberText(1230.000000000001), "1230");
  EXPECT_EQ(text_rules::numberText(-0.25), "-0.25");
  EXPECT_EQ(text_rules::numberText(123456789012345.0), "123456789012345");
}

TEST(Text, SplitKeepsEmptyFields) {
  EXPECT_EQ(text_rules::split("a|b", "|"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(text_rules::split("a||b|", "|"), (std::vector<std::string>{"a", "", "b", ""}));
  EXPECT_EQ(text_rules::split("none", "|"), (std::vector<std::string>{"none"}));
  EXPECT_EQ(text_rules::split("", "|"), (std::vector<std::string>{""}));
}

TEST(Text, LinesEndAtAnyLineBreak) {
  EXPECT_EQ(text_rules::textLines("a\r\nb\r\n"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(text_rules::textLines("a\r\n\r\nb"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(text_rules::textLines("a\nb\rc"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_TRUE(text_rules::textLines("").empty());
  EXPECT_EQ(text_rules::textLines("\r\n"), (std::vector<std::string>{""}));
}

TEST(Text, ReplaceAndTrim) {
  EXPECT_EQ(text_rules::replaceAll("x|\r\ny|\r\n", "|\r\n", "\r\n"), "x\r\ny\r\n");
  EXPECT_EQ(text_rules::replaceAll("a|b", "|\r\n", "\r\n"), "a|b");
  EXPECT_EQ(text_rules::trimSpaces("  850.5 "), "850.5");
  EXPECT_EQ(text_rules::trimSpaces("   "), "");
}

TEST(HandleText, IsEightUpperCaseDigitsZeroPadded) {
  EXPECT_EQ(handleText(0x1A2B), "00001A2B");
  EXPECT_EQ(handleText(0xABCDEF12), "ABCDEF12");
  EXPECT_EQ(handleText(0), "00000000");
  EXPECT_EQ(parseHandleText("00001A2B"), 0x1A2Bu);
  EXPECT_EQ(parseHandleText("abcdef12"), 0xABCDEF12u);
  EXPECT_EQ(parseHandleText(handleText(0x8000F00D)), 0x8000F00Du);
  EXPECT_EQ(errorOf([] { parseHandleText(""); }), run_error::kTypeMismatch);
  EXPECT_EQ(errorOf([] { parseHandleText("送り込みハンドル"); }), run_error::kTypeMismatch);
  EXPECT_EQ(errorOf([] { parseHandleText("123456789"); }), run_error::kOverflow);
  EXPECT_EQ(errorOf([] { parseHandleText(" 1A2B"); }), run_error::kTypeMismatch);
}

}  // namespace
}  // namespace varnolt

TEST(RuntimeErrorReport, NamesLabelNumberStepAndAsksForAReport) {
  const varnolt::RunError mismatch(varnolt::run_error::kTypeMismatch);
  EXPECT_EQ(varnolt::runtimeErrorReport("cmd4,", mismatch, 0),
            "cmd4,でエラーが発生しましたNo.13Line0型が一致しません。\r\n"
            "できれば、開発者へメール・HPの掲示板等へお知らせ下さい");
  const varnolt::RunError outOfList(varnolt::run_error::kIndexOutOfBounds);
  EXPECT_EQ(varnolt::runtimeErrorReport("m2t_start,", outOfList, 16),
            "m2t_start,でエラーが発生しましたNo.35600Line16インデックスが範囲を超えています。\r\n"
            "できれば、開発者へメール・HPの掲示板等へお知らせ下さい");
}
