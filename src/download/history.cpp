// The download history (history.ini): which recordings are new, and the rows the
// recording list shows as already downloaded.
#include "download/history.hpp"

#include <algorithm>
#include <cstring>

#include "app/form1.hpp"

namespace varnolt {

using controls::Control;
using controls::ListItem;
using controls::ListUpdate;
using controls::ListView;
using controls::MenuItem;

namespace {

constexpr const char* kHistoryFile = "history.ini";
constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::size_t kTitleColumn = 3, kRecordedColumn = 4, kLengthColumn = 5, kSizeColumn = 7;
// A download is whole when its file holds at least this part of the size the list shows.
constexpr double kWholePart = 0.9;

void appendEscaped(std::string& out, std::string_view field) {
  for (char c : field) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        out += c;
    }
  }
}

// A line of the file back to its three fields; false when it is no recording.
bool unescapeLine(std::string_view line, std::vector<std::string>& fields) {
  fields.assign(1, std::string());
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '\t') {
      fields.emplace_back();
    } else if (c == '\\') {
      if (++i == line.size()) return false;
      switch (line[i]) {
        case '\\':
          fields.back() += '\\';
          break;
        case 't':
          fields.back() += '\t';
          break;
        case 'r':
          fields.back() += '\r';
          break;
        case 'n':
          fields.back() += '\n';
          break;
        default:
          return false;
      }
    } else {
      fields.back() += c;
    }
  }
  return fields.size() == 3;
}

std::uint64_t rotl(std::uint64_t v, int k) {
  return (v << k) | (v >> (64 - k));
}

// Murmur3's 64-bit finaliser.
std::uint64_t fmix(std::uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ULL;
  h ^= h >> 33;
  return h;
}

// Two lanes over 8-byte words, the field's length closing it so that fields cannot run
// into each other.
void feed(std::uint64_t& a, std::uint64_t& b, std::string_view field) {
  std::size_t i = 0;
  for (; i + 8 <= field.size(); i += 8) {
    std::uint64_t w;
    std::memcpy(&w, field.data() + i, 8);
    a = rotl((a ^ w) * 0x87c37b91114253d5ULL, 31) * 0x4cf5ad432745937fULL;
    b = rotl((b ^ w) * 0x9E3779B97F4A7C15ULL, 29) * 0xbf58476d1ce4e5b9ULL;
  }
  std::uint64_t w = 0;
  if (field.size() > i) std::memcpy(&w, field.data() + i, field.size() - i);
  w ^= static_cast<std::uint64_t>(field.size()) << 56;
  a = rotl((a ^ w) * 0x87c37b91114253d5ULL, 31) * 0x4cf5ad432745937fULL;
  b = rotl((b ^ w) * 0x9E3779B97F4A7C15ULL, 29) * 0xbf58476d1ce4e5b9ULL;
  a ^= field.size();
  b += field.size();
}

struct RowFields {
  const std::string& title;
  const std::string& recorded;
  const std::string& length;
};

RowFields rowFields(const ListView& list, std::size_t row) {
  const ListItem& it = list.item(row);
  return {it.subItem(kTitleColumn), it.subItem(kRecordedColumn), it.subItem(kLengthColumn)};
}

}  // namespace

std::string DownloadHistory::key(std::string_view title, std::string_view recorded,
                                 std::string_view length) {
  std::string k;
  k.reserve(title.size() + recorded.size() + length.size() + 2);
  appendEscaped(k, title);
  k += '\t';
  appendEscaped(k, recorded);
  k += '\t';
  appendEscaped(k, length);
  return k;
}

DownloadHistory::Digest DownloadHistory::digestOf(std::string_view title, std::string_view recorded,
                                                  std::string_view length) {
  std::uint64_t a = 0x243f6a8885a308d3ULL, b = 0x13198a2e03707344ULL;
  for (std::string_view f : {title, recorded, length}) feed(a, b, f);
  // a == 0 marks a free slot.
  return {fmix(a) | 1, fmix(b ^ a)};
}

bool DownloadHistory::find(const Digest& d) const {
  if (firsts_.empty()) return false;
  const std::size_t mask = firsts_.size() - 1;
  for (std::size_t i = d.b & mask;; i = (i + 1) & mask) {
    if (firsts_[i] == 0) return false;
    if (firsts_[i] == d.a && seconds_[i] == d.b) return true;
  }
}

void DownloadHistory::insert(const Digest& d) {
  // At most half full, so that a miss ends after a few slots.
  if (2 * (used_ + 1) > firsts_.size()) {
    std::vector<std::uint64_t> a = std::move(firsts_), b = std::move(seconds_);
    const std::size_t size = std::max<std::size_t>(64, 2 * a.size());
    firsts_.assign(size, 0);
    seconds_.assign(size, 0);
    used_ = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
      if (a[i] != 0) insert({a[i], b[i]});
  }
  const std::size_t mask = firsts_.size() - 1;
  std::size_t i = d.b & mask;
  while (firsts_[i] != 0) i = (i + 1) & mask;
  firsts_[i] = d.a;
  seconds_[i] = d.b;
  ++used_;
}

bool DownloadHistory::contains(std::string_view title, std::string_view recorded,
                               std::string_view length) const {
  return find(digestOf(title, recorded, length));
}

std::vector<bool> DownloadHistory::containsEach(const std::vector<Fields>& recordings) const {
  std::vector<Digest> digests;
  digests.reserve(recordings.size());
  for (const Fields& r : recordings) digests.push_back(digestOf(r.title, r.recorded, r.length));
  std::vector<bool> found(recordings.size(), false);
  if (firsts_.empty()) return found;
  constexpr std::size_t kAhead = 16;
  const std::size_t mask = firsts_.size() - 1;
  for (std::size_t i = 0; i < digests.size(); ++i) {
    if (i + kAhead < digests.size()) {
      const std::size_t slot = digests[i + kAhead].b & mask;
      __builtin_prefetch(&firsts_[slot]);
      __builtin_prefetch(&seconds_[slot]);
    }
    found[i] = find(digests[i]);
  }
  return found;
}

bool DownloadHistory::add(std::string_view title, std::string_view recorded,
                          std::string_view length) {
  const Digest d = digestOf(title, recorded, length);
  if (find(d)) return false;
  insert(d);
  lines_.push_back(key(title, recorded, length));
  return true;
}

void DownloadHistory::parse(std::string_view text) {
  firsts_.clear();
  seconds_.clear();
  used_ = 0;
  lines_.clear();
  if (text.starts_with(kBom)) text.remove_prefix(kBom.size());
  std::vector<std::string> fields;
  for (const std::string& line : text_rules::textLines(text))
    if (unescapeLine(line, fields)) add(fields[0], fields[1], fields[2]);
}

std::string DownloadHistory::text() const {
  std::string s(kBom);
  for (const std::string& line : lines_) s += line + "\r\n";
  return s;
}

bool Form1::loadDownloadHistory() {
  if (history.loaded) return true;
  const std::string path = appFile(*this, kHistoryFile);
  try {
    history.parse(ports.files.fileExists(path) ? ports.files.readAll(path) : std::string());
    history.loaded = true;
  } catch (const std::exception&) {
    // Never written over while unread: what it holds would be lost.
    logAdd("ダウンロード履歴（history.ini）を読み込めませんでした");
  }
  return history.loaded;
}

void Form1::saveDownloadHistory() {
  try {
    ports.files.replaceFile(appFile(*this, kHistoryFile), history.text());
  } catch (const std::exception&) {
    logAdd("ダウンロード履歴（history.ini）を保存できませんでした");
  }
}

void Form1::showDownloadedRows() {
  if (!loadDownloadHistory()) return;
  ListUpdate batch(ListView1);
  for (std::size_t r = 1; r <= ListView1.count(); ++r) {
    const RowFields f = rowFields(ListView1, r);
    ListView1.setDownloaded(r, history.contains(f.title, f.recorded, f.length));
  }
}

void Form1::recordCompleteDownload(std::size_t row, const std::string& file) {
  std::int64_t bytes = 0;
  try {
    bytes = ports.files.fileSize(file);
  } catch (const std::exception&) {
  }
  bool whole = bytes > 0;
  try {
    const double megabytes = text_rules::toDouble(ListView1.item(row).subItem(kSizeColumn));
    whole = whole && static_cast<double>(bytes) >= megabytes * 1e6 * kWholePart;
  } catch (const RunError&) {
    // No size in the list: any file with something in it counts.
  }
  if (!whole) {
    logAdd(std::to_string(row) +
           "のファイルが録画のサイズに足りないため、ダウンロード履歴に加えませんでした");
    return;
  }
  if (!loadDownloadHistory()) return;
  const RowFields f = rowFields(ListView1, row);
  if (history.add(f.title, f.recorded, f.length)) saveDownloadHistory();
  ListView1.setDownloaded(row, true);
}

std::size_t Form1::checkNewRecordings() {
  std::vector<DownloadHistory::Fields> rows;
  rows.reserve(ListView1.count());
  for (std::size_t r = 1; r <= ListView1.count(); ++r) {
    const RowFields f = rowFields(ListView1, r);
    rows.push_back({f.title, f.recorded, f.length});
  }
  const std::vector<bool> known = history.containsEach(rows);
  std::size_t fresh = 0;
  {
    ListUpdate batch(ListView1);
    for (std::size_t r = 1; r <= ListView1.count(); ++r) {
      ListView1.setDownloaded(r, known[r - 1]);
      ListView1.setChecked(r, !known[r - 1]);
      if (!known[r - 1]) ++fresh;
    }
  }
  CheckSize_Sum();
  return fresh;
}

void Form1::pulldown_newrec_Click() {
  if (!loadDownloadHistory()) {
    msgBox(
        "ダウンロード履歴（history.ini）を読み込めませんでした\r\n新しい録画をチェックできません");
    return;
  }
  Label100.setCaption("新しい録画を" + std::to_string(checkNewRecordings()) + "件チェックしました");
}

void Form1::pulldown_markdone_Click() {
  if (!loadDownloadHistory()) {
    msgBox("ダウンロード履歴（history.ini）を読み込めませんでした\r\nダウンロード済みにできません");
    return;
  }
  std::size_t marked = 0;
  bool added = false;
  {
    // Marked rows are no longer to be downloaded: their check marks go.
    ListUpdate batch(ListView1);
    for (std::size_t r = 1; r <= ListView1.count(); ++r) {
      if (!ListView1.item(r).checked) continue;
      const RowFields f = rowFields(ListView1, r);
      added = history.add(f.title, f.recorded, f.length) || added;
      ListView1.setDownloaded(r, true);
      ++marked;
      ListView1.setChecked(r, false);
    }
  }
  if (added) saveDownloadHistory();
  CheckSize_Sum();
  statusAndLog(std::to_string(marked) + "件の録画をダウンロード済みにしました");
}

void Form1::watchDownloadHistoryMenus() {
  // While a run or a sort holds the list, its check marks are not to be changed.
  ListView1.subscribe([this](Control& list, controls::Property property) {
    if (property != controls::Property::Enabled) return;
    for (MenuItem* m : {&pulldown_file_newrec, &pulldown_file_markdone, &pulldown_download_newrec,
                        &pulldown_download_markdone})
      m->setEnabled(list.enabled());
  });
}

}  // namespace varnolt
