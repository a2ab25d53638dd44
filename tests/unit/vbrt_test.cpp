#include "common/vbrt.hpp"

#include <gtest/gtest.h>

namespace varnolt {
namespace {

int errorOf(auto f) {
  try {
    f();
  } catch (const VbError& e) {
    return e.number();
  }
  return 0;
}

TEST(Conversions, Int16FollowsTheRuntimeRules) {
  EXPECT_EQ(vb::toInt16("1"), 1);
  EXPECT_EQ(vb::toInt16(" 2 "), 2);
  EXPECT_EQ(vb::toInt16("-32768"), -32768);
  EXPECT_EQ(vb::toInt16("2.5"), 2);  // banker's rounding
  EXPECT_EQ(vb::toInt16("3.5"), 4);
  EXPECT_EQ(vb::toInt16("&H10"), 16);
  EXPECT_EQ(vb::toInt16("&HFFFF"), -1);
  EXPECT_EQ(errorOf([] { vb::toInt16("abc"); }), vb::kErrTypeMismatch);
  EXPECT_EQ(errorOf([] { vb::toInt16(""); }), vb::kErrTypeMismatch);
  EXPECT_EQ(errorOf([] { vb::toInt16("1x"); }), vb::kErrTypeMismatch);
  EXPECT_EQ(errorOf([] { vb::toInt16("inf"); }), vb::kErrTypeMismatch);
  EXPECT_EQ(errorOf([] { vb::toInt16("32768"); }), vb::kErrOverflow);
}

TEST(Conversions, BooleansAcceptWordsAndNumbers) {
  EXPECT_TRUE(vb::toBool("True"));
  EXPECT_TRUE(vb::toBool("true"));
  EXPECT_FALSE(vb::toBool("False"));
  EXPECT_FALSE(vb::toBool("0"));
  EXPECT_TRUE(vb::toBool("-1"));
  EXPECT_TRUE(vb::toBool("7"));
  EXPECT_EQ(errorOf([] { vb::toBool("yes"); }), vb::kErrTypeMismatch);
  EXPECT_STREQ(vb::boolWord(true), "True");
  EXPECT_STREQ(vb::boolWord(false), "False");
}

TEST(Conversions, NumberTextIsPlainDecimal) {
  EXPECT_EQ(vb::numberText(0), "0");
  EXPECT_EQ(vb::numberText(1500), "1500");
  EXPECT_EQ(vb::numberText(850.5), "850.5");
  EXPECT_EQ(vb::numberText(1230.000000000001), "1230");
  EXPECT_EQ(vb::numberText(-0.25), "-0.25");
  EXPECT_EQ(vb::numberText(123456789012345.0), "123456789012345");
}

TEST(Text, SplitKeepsEmptyFields) {
  EXPECT_EQ(vb::split("a|b", "|"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(vb::split("a||b|", "|"), (std::vector<std::string>{"a", "", "b", ""}));
  EXPECT_EQ(vb::split("none", "|"), (std::vector<std::string>{"none"}));
  EXPECT_EQ(vb::split("", "|"), (std::vector<std::string>{""}));
}

TEST(Text, LinesEndAtAnyLineBreak) {
  EXPECT_EQ(vb::textLines("a\r\nb\r\n"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(vb::textLines("a\r\n\r\nb"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(vb::textLines("a\nb\rc"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_TRUE(vb::textLines("").empty());
  EXPECT_EQ(vb::textLines("\r\n"), (std::vector<std::string>{""}));
}

TEST(Text, ReplaceAndTrim) {
  EXPECT_EQ(vb::replaceAll("x|\r\ny|\r\n", "|\r\n", "\r\n"), "x\r\ny\r\n");
  EXPECT_EQ(vb::replaceAll("a|b", "|\r\n", "\r\n"), "a|b");
  EXPECT_EQ(vb::trimSpaces("  850.5 "), "850.5");
  EXPECT_EQ(vb::trimSpaces("   "), "");
}

TEST(HandleText, IsEightUpperCaseDigitsZeroPadded) {
  EXPECT_EQ(handleText(0x1A2B), "00001A2B");
  EXPECT_EQ(handleText(0xABCDEF12), "ABCDEF12");
  EXPECT_EQ(handleText(0), "00000000");
  EXPECT_EQ(parseHandleText("00001A2B"), 0x1A2Bu);
  EXPECT_EQ(parseHandleText("abcdef12"), 0xABCDEF12u);
  EXPECT_EQ(parseHandleText(handleText(0x8000F00D)), 0x8000F00Du);
  EXPECT_EQ(errorOf([] { parseHandleText(""); }), vb::kErrTypeMismatch);
  EXPECT_EQ(errorOf([] { parseHandleText("送り込みハンドル"); }), vb::kErrTypeMismatch);
  EXPECT_EQ(errorOf([] { parseHandleText("123456789"); }), vb::kErrOverflow);
  EXPECT_EQ(errorOf([] { parseHandleText(" 1A2B"); }), vb::kErrTypeMismatch);
}

}  // namespace
}  // namespace varnolt

TEST(RuntimeErrorReport, NamesLabelNumberStepAndAsksForAReport) {
  const varnolt::VbError mismatch(varnolt::vb::kErrTypeMismatch);
  EXPECT_EQ(varnolt::runtimeErrorReport("cmd4,", mismatch, 0),
            "cmd4,でエラーが発生しましたNo.13Line0型が一致しません。\r\n"
            "できれば、開発者へメール・HPの掲示板等へお知らせ下さい");
  const varnolt::VbError outOfList(varnolt::vb::kErrIndexOutOfBounds);
  EXPECT_EQ(varnolt::runtimeErrorReport("m2t_start,", outOfList, 16),
            "m2t_start,でエラーが発生しましたNo.35600Line16インデックスが範囲を超えています。\r\n"
            "できれば、開発者へメール・HPの掲示板等へお知らせ下さい");
}
