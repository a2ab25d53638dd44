// The conversion list's rows and the judging of a finished conversion by size.
#include "convert/conversion_list.hpp"
#include "fixture.hpp"

namespace varnolt::testing {
namespace {

constexpr const char* kKept = "変換は正常に行われたようです";
constexpr const char* kDeleted = "サイズ比較クリアにつき元ファイルは削除されました";
constexpr const char* kFailed = "変換に失敗しました";
constexpr const char* kError =
    "サイズ比較時にエラーが発生しました。マニュアルでエラーしたファイルはチェックしてください";

class ConvertTest : public WorldTest {
 protected:
  ConvertTest() { std::filesystem::create_directories(dir.path() / "d"); }
  // Row 1 converts D:\rec\show.m2t into D:\out\show.mpg; sizes in bytes, -1 = no file.
  Form1& judge(std::int64_t source, std::int64_t output, bool deleteSource) {
    Form1& f = startForm();
    if (source >= 0) world->files.makeFile("D:\\rec\\show.m2t", static_cast<std::uint64_t>(source));
    if (output >= 0) world->files.makeFile("D:\\out\\show.mpg", static_cast<std::uint64_t>(output));
    f.m2tlist_Add("D:\\rec\\show.m2t", "D:\\out");
    f.Check2.setValue(deleteSource ? 1 : 0);
    f.state.ConvRow = 1;
    f.m2t_SizeCheck();
    return f;
  }
  std::string status() { return form->ListView10.item(1).subItem(1); }
  bool sourceKept() { return world->files.fileExists("D:\\rec\\show.m2t"); }
  std::string lastLog() {
    std::string log = form->Text5.text();
    return log.substr(0, log.find("\r\n"));
  }
};

TEST_F(ConvertTest, PathsSplitAtTheLastBackslashAndTheLastDot) {
  auto p = splitPath("D:\\rec\\news.0412.m2t");
  EXPECT_EQ(p.folder, "D:\\rec");
  EXPECT_EQ(p.fileName, "news.0412.m2t");
  EXPECT_EQ(p.baseName, "news.0412");
  EXPECT_EQ(p.extension, "m2t");
  p = splitPath("D:\\a.b\\noext");
  EXPECT_EQ(p.folder, "D:\\a.b");
  EXPECT_EQ(p.baseName, "noext");
  EXPECT_EQ(p.extension, "");
  p = splitPath("C:\\x.");
  EXPECT_EQ(p.baseName, "x");
  EXPECT_EQ(p.extension, "");
}

TEST_F(ConvertTest, AddedRowsAreNumberedToTheDigitsOfTheCount) {
  Form1& f = startForm();
  for (int i = 1; i <= 100; ++i) f.m2tlist_Add("D:\\r\\" + std::to_string(i) + ".m2t", "E:\\o");
  EXPECT_EQ(f.ListView10.item(1).text, "001");
  EXPECT_EQ(f.ListView10.item(100).text, "100");
  EXPECT_EQ(f.ListView10.item(7).subItem(5), "E:\\o");
  EXPECT_EQ(f.ListView10.item(7).subItem(4), "D:\\r");
  // No controller found: the start button stays disabled.
  EXPECT_FALSE(f.Command9.enabled());
}

TEST_F(ConvertTest, EqualSizesPassAndKeepTheSourceWithoutCheck2) {
  judge(4096, 4096, false);
  EXPECT_EQ(status(), kKept);
  EXPECT_TRUE(sourceKept());
  EXPECT_EQ(lastLog().substr(lastLog().rfind(' ') + 1), kKept);
}

TEST_F(ConvertTest, APassWithCheck2DeletesTheSource) {
  judge(4096, 5000, true);
  EXPECT_EQ(status(), kDeleted);
  EXPECT_FALSE(sourceKept());
}

TEST_F(ConvertTest, AnOutputOneByteSmallerFailsAndKeepsTheSource) {
  judge(4096, 4095, true);
  EXPECT_EQ(status(), kFailed);
  EXPECT_TRUE(sourceKept());
}

TEST_F(ConvertTest, SizesBeyondFourGigabytesCompareByTheirFullValue) {
  // Cut to 32 bits, the source would be 10 bytes and pass.
  judge((std::int64_t{1} << 32) + 10, 10, true);
  EXPECT_EQ(status(), kFailed);
  EXPECT_TRUE(sourceKept());
}

TEST_F(ConvertTest, AFiveGigabyteSourcePassesAgainstAnEqualOutput) {
  judge(5'368'709'120, 5'368'709'120, true);
  EXPECT_EQ(status(), kDeleted);
}

TEST_F(ConvertTest, AMissingOutputOrSourceIsAnErrorNotAFailure) {
  judge(4096, -1, true);
  EXPECT_EQ(status(), kError);
  EXPECT_TRUE(sourceKept());
  EXPECT_TRUE(msgboxes().empty());
}

TEST_F(ConvertTest, AMissingSourceIsAnError) {
  judge(-1, 4096, true);
  EXPECT_EQ(status(), kError);
}

TEST_F(ConvertTest, ARefusedDeletionGivesTheErrorStatusAndKeepsTheSource) {
  Form1& f = startForm();
  world->files.makeFile("D:\\rec\\show.m2t", 100);
  world->files.makeFile("D:\\out\\show.mpg", 100);
  world->files.setAttributes("D:\\rec\\show.m2t", 33);
  f.m2tlist_Add("D:\\rec\\show.m2t", "D:\\out");
  f.Check2.setValue(1);
  f.state.ConvRow = 1;
  f.m2t_SizeCheck();
  EXPECT_EQ(status(), kError);
  EXPECT_TRUE(sourceKept());
}

}  // namespace
}  // namespace varnolt::testing
