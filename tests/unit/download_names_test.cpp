// File names of downloads: what a title becomes, and the collision suffixes.
#include <gtest/gtest.h>

#include <set>

#include "download/file_name.hpp"
#include "platform/sim/sim_world.hpp"

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

TEST(NameOfUntitled, DateAndTimeInAFixedForm) {
  EXPECT_EQ(nameOfUntitled("2026/12/01 21:00"), "録画_20261201_2100");
  EXPECT_EQ(nameOfUntitled("2026/1/5 9:05"), "録画_20260105_0905");
  EXPECT_EQ(nameOfUntitled(""), "録画");
  EXPECT_EQ(nameOfUntitled("不明"), "録画");
}

TEST(FitName, EveryPathFitsTheLimitsInAnsiBytes) {
  sim::IconvCodec codec;
  auto bytes = [&](std::string_view t) { return codec.toAnsi(t).size(); };
  std::string title;
  for (int i = 0; i < 54; ++i) title += "長い番組名";  // 270 characters, 540 bytes
  // X:\録画\ is 8 bytes and ".m2t" 4: 247 bytes are left, 123 double-byte characters.
  const std::vector<NamePlace> m2t{{"X:\\録画", ".m2t"}};
  const std::string head = fitName(title, "_01", m2t, bytes);
  EXPECT_EQ(bytes(head), 244u);
  EXPECT_EQ(title.rfind(head, 0), 0u) << "a head of the title, cut at a whole character";
  // The .mpg folder is deeper: it is the one that decides.
  const std::vector<NamePlace> both{{"X:\\録画", ".m2t"}, {"D:\\変換\\ドラマ", ".mpg"}};
  EXPECT_EQ(bytes("D:\\変換\\ドラマ\\" + fitName(title, "", both, bytes) + ".mpg"), 259u);
  // Within the byte limit but over 255 characters in a name of its own.
  const std::string ascii(300, 'a');
  EXPECT_EQ(fitName(ascii, "", {{"C:", ".m2t"}}, bytes).size(), 251u);
}

TEST(FreeFittingName, TheSuffixSurvivesTheCut) {
  sim::IconvCodec codec;
  auto bytes = [&](std::string_view t) { return codec.toAnsi(t).size(); };
  const std::string title(300, 'x');
  const std::vector<NamePlace> places{{"X:", ".m2t"}};
  std::set<std::string> taken;
  auto exists = [&](const std::string& p) { return taken.count(p) > 0; };
  const std::string first = freeFittingName(title, "", places, bytes, exists);
  EXPECT_EQ(first, std::string(251, 'x'));
  taken.insert("X:\\" + first + ".m2t");
  EXPECT_EQ(freeFittingName(title, "", places, bytes, exists), std::string(248, 'x') + "_01");
  EXPECT_EQ(freeFittingName("番組", "（未完了）", places, bytes, exists), "番組（未完了）");
}

}  // namespace
}  // namespace varnolt::testing
