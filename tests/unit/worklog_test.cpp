// The work log: line format, order, and how runs follow each other in log.ini.
#include "fixture.hpp"

namespace varnolt::testing {
namespace {

class WorkLogTest : public WorldTest {};

TEST_F(WorkLogTest, FirstRunHoldsOnlyTheStartLine) {
  Form1& f = startForm();
  EXPECT_EQ(f.Text5.text(), "2004/10/17   21:05:33   Varnolt起動\r\n");
  EXPECT_EQ(f.Label100.caption(), "Varnolt起動");
}

TEST_F(WorkLogTest, NewestLineIsOnTopAndSameSecondKeepsCallOrder) {
  Form1& f = makeForm();
  f.logAdd("one");
  f.logAdd("two");
  world->clock.sleep(1000);
  f.logAdd("three");
  EXPECT_EQ(f.Text5.text(),
            "2004/10/17   21:05:34   three\r\n"
            "2004/10/17   21:05:33   two\r\n"
            "2004/10/17   21:05:33   one\r\n");
}

TEST_F(WorkLogTest, MultiLineMessageStampsOnlyItsFirstLine) {
  Form1& f = makeForm();
  f.logAdd("a\r\nb");
  EXPECT_EQ(f.Text5.text(), "2004/10/17   21:05:33   a\r\nb\r\n");
}

TEST_F(WorkLogTest, SecondRunShowsABlankLineBetweenRuns) {
  {
    Form1& f = startForm();
    f.logOutPut("C:\\Varnolt\\log.ini");
  }
  EXPECT_EQ(readHost(appHost("log.ini")), ansi("2004/10/17   21:05:33   Varnolt起動\r\n\r\n"));
  world->clock.sleep(60'000);
  Form1& g = startForm();
  EXPECT_EQ(g.Text5.text(),
            "2004/10/17   21:06:33   Varnolt起動\r\n"
            "\r\n"
            "2004/10/17   21:05:33   Varnolt起動\r\n");
  g.logOutPut("C:\\Varnolt\\log.ini");
  EXPECT_EQ(readHost(appHost("log.ini")), ansi("2004/10/17   21:06:33   Varnolt起動\r\n\r\n"
                                               "2004/10/17   21:05:33   Varnolt起動\r\n\r\n"));
}

TEST_F(WorkLogTest, LogKeepsCp932TextIntact) {
  // 0x8755 is Ⅱ, 0xB6 0xC0 0xB6 0xC5 half-width カタカナ; plain Shift_JIS lacks Ⅱ.
  writeHost(appHost("log.ini"), "\x87\x55 \xB6\xC0\xB6\xC5\r\n");
  Form1& f = makeForm();
  f.logInPut("C:\\Varnolt\\log.ini");
  EXPECT_EQ(f.Text5.text(), "\r\nⅡ ｶﾀｶﾅ");
  f.logOutPut("C:\\Varnolt\\log.ini");
  EXPECT_EQ(readHost(appHost("log.ini")), "\r\n\x87\x55 \xB6\xC0\xB6\xC5\r\n");
}

TEST_F(WorkLogTest, DamagedByteAtALineEndKeepsTheLinesApart) {
  // A stray lead byte right before a line end (LF-only and CR-only files too) must not
  // join two lines of the log into one.
  writeHost(appHost("log.ini"), "one\x81\ntwo\x9F\rthree\x81\r\nfour\r\n");
  Form1& f = makeForm();
  f.logInPut("C:\\Varnolt\\log.ini");
  EXPECT_EQ(f.Text5.text(), "\r\none・\r\ntwo・\r\nthree・\r\nfour");
}

TEST_F(WorkLogTest, MissingLogStartsEmptyWithoutAMessage) {
  Form1& f = makeForm();
  f.logInPut("C:\\Varnolt\\log.ini");
  f.logInPut("Q:\\nowhere\\log.ini");
  EXPECT_EQ(f.Text5.text(), "");
  EXPECT_TRUE(msgboxes().empty());
}

}  // namespace
}  // namespace varnolt::testing
