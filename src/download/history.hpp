// The download history: the recordings Varnolt has downloaded whole, kept in
// history.ini beside the program so that a night can check only what is new.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varnolt {

// history.ini is UTF-8 (with a byte-order mark), one recording a line: title, recording
// date and time, length, exactly as the recording list shows them, separated by a TAB.
// UTF-8 keeps every character of a title: the ANSI code page would turn characters it
// lacks into '?' and so merge recordings that differ only there. A backslash, TAB, CR
// and LF inside a field are written as \\, \t, \r and \n, so a line is always one
// recording and its three fields.
class DownloadHistory {
 public:
  // The line of a recording in the file.
  static std::string key(std::string_view title, std::string_view recorded,
                         std::string_view length);

  bool contains(std::string_view title, std::string_view recorded, std::string_view length) const;
  struct Fields {
    std::string_view title, recorded, length;
  };
  // contains() for each recording; the table is read for several recordings at a time,
  // so a long list against a long history does not wait on memory row by row.
  std::vector<bool> containsEach(const std::vector<Fields>& recordings) const;
  // False when the recording was already in the history.
  bool add(std::string_view title, std::string_view recorded, std::string_view length);
  std::size_t size() const { return lines_.size(); }

  // Replaces the history by the file's text; lines that are no recording are skipped.
  void parse(std::string_view text);
  // The file's text, the recordings in the order they entered the history.
  std::string text() const;

  // The file has been read (or found missing) in this session.
  bool loaded = false;

 private:
  // A recording is looked up by a 128-bit digest of its three fields in an open-addressed
  // table: one memory access per row of a long list against a long history, and a chance
  // of two recordings sharing a digest far below that of any disk error.
  struct Digest {
    std::uint64_t a = 0, b = 0;
    bool operator==(const Digest&) const = default;
  };
  static Digest digestOf(std::string_view title, std::string_view recorded,
                         std::string_view length);
  bool find(const Digest& d) const;
  void insert(const Digest& d);
  // The digests' halves in two tables, so that a miss reads only the first: a == 0 free.
  std::vector<std::uint64_t> firsts_, seconds_;
  std::size_t used_ = 0;
  std::vector<std::string> lines_;
};

}  // namespace varnolt
