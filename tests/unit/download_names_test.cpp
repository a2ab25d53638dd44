// File names of downloads: what a title becomes, and the collision suffixes.
#include <gtest/gtest.h>

#include <set>

#include "download/file_name.hpp"

namespace varnolt::testing {
namespace {

TEST(FileNameOfTitle, TitlesThatAreFileNamesStayAsTheyAre) {
  for (const char* t : {"ニュース７", "映画Ⅱ　特別編", "a b  c", "ｱﾆﾒ･ｶﾀｶﾅ", "CONCERT", "COM10",
                        "LPT", "nul2", "ドラマ.第1話"})
    EXPECT_EQ(fileNameOfTitle(t), t) << t;
}

TEST(FileNameOfTitle, ForbiddenCharactersBecomeFullWidth) {
  EXPECT_EQ(fileNameOfTitle("ニュース/天気"), "ニュース／天気");
  EXPECT_EQ(fileNameOfTitle(R"(a\b:c*d?e"f<g>h|i)"), "a＼b：c＊d？e＂f＜g＞h｜i");
  // "\" and ":" no longer lead to another folder or an alternate stream.
  EXPECT_EQ(fileNameOfTitle(R"(..\..\Windows\x)"), "..＼..＼Windows＼x");
  EXPECT_EQ(fileNameOfTitle("C:x"), "C：x");
}

TEST(FileNameOfTitle, ControlCharactersAreDropped) {
  EXPECT_EQ(fileNameOfTitle("前\t編\r\n後\x7f編\x01"), "前編後編");
}

TEST(FileNameOfTitle, DeviceNamesGetAnUnderscore) {
  EXPECT_EQ(fileNameOfTitle("CON"), "CON_");
  EXPECT_EQ(fileNameOfTitle("con"), "con_");
  EXPECT_EQ(fileNameOfTitle("NUL.news"), "NUL_.news");
  EXPECT_EQ(fileNameOfTitle("com1"), "com1_");
  EXPECT_EQ(fileNameOfTitle("LPT9"), "LPT9_");
  EXPECT_EQ(fileNameOfTitle("Aux"), "Aux_");
  EXPECT_EQ(fileNameOfTitle("PRN"), "PRN_");
}

TEST(FreeStem, SuffixesHaveAtLeastTwoDigits) {
  EXPECT_EQ(collisionSuffix(0), "");
  EXPECT_EQ(collisionSuffix(1), "_01");
  EXPECT_EQ(collisionSuffix(99), "_99");
  EXPECT_EQ(collisionSuffix(100), "_100");
  std::set<std::string> taken = {"X:\\a", "X:\\a_01", "X:\\a_03"};
  auto isTaken = [&](const std::string& s) { return taken.count(s) > 0; };
  EXPECT_EQ(freeStem("X:\\a", isTaken), "X:\\a_02");
  EXPECT_EQ(freeStem("X:\\b", isTaken), "X:\\b");
  // The eleventh download of a title: past _09 comes _10.
  taken.insert({"番組", "番組_01", "番組_02", "番組_03", "番組_04", "番組_05", "番組_06", "番組_07",
                "番組_08", "番組_09"});
  EXPECT_EQ(freeStem("番組", isTaken), "番組_10");
  for (int n = 1; n <= 120; ++n) taken.insert("X:\\c" + collisionSuffix(n - 1));
  EXPECT_EQ(freeStem("X:\\c", isTaken), "X:\\c_120");
}

}  // namespace
}  // namespace varnolt::testing
