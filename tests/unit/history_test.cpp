// The download history's file: every title survives a write and a read, and nothing
// merges two recordings or splits one.
#include <gtest/gtest.h>

#include "download/history.hpp"

namespace varnolt::testing {
namespace {

TEST(DownloadHistory, EveryRecordingSurvivesTheFile) {
  struct Recording {
    std::string title, recorded, length;
  };
  const Recording recordings[] = {
      {"a\tb", "c", "d"},
      {"a", "b\tc", "d"},
      {"ab", "c", "d"},
      {"行1\r\n行2\\n", "2026/12/01 21:00", "00:30"},
      // Characters the ANSI code page lacks, and what it would make of them.
      {"番組🎵ㇰ", "2026/12/01 21:00", "00:30"},
      {"番組??", "2026/12/01 21:00", "00:30"},
      {"", "", ""},
  };
  DownloadHistory written;
  for (const auto& r : recordings) EXPECT_TRUE(written.add(r.title, r.recorded, r.length));
  EXPECT_FALSE(written.add("a\tb", "c", "d"));
  EXPECT_FALSE(written.contains("番組", "2026/12/01 21:00", "00:30"));
  const std::string text = written.text();
  EXPECT_EQ(text.substr(0, 3), "\xEF\xBB\xBF");

  DownloadHistory read;
  read.parse(text);
  EXPECT_EQ(read.size(), std::size(recordings));
  for (const auto& r : recordings)
    EXPECT_TRUE(read.contains(r.title, r.recorded, r.length)) << r.title;
  EXPECT_EQ(read.text(), text);
}

TEST(DownloadHistory, LinesThatAreNoRecordingAreSkipped) {
  DownloadHistory h;
  h.parse("only\ttwo\r\nbad\\x\tescape\tline\nfour\tfields\there\tx\n\nok\t2026/12/01\t00:30");
  EXPECT_EQ(h.size(), 1u);
  EXPECT_TRUE(h.contains("ok", "2026/12/01", "00:30"));
}

}  // namespace
}  // namespace varnolt::testing
