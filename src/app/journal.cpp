// The night's journal, written crash-safely (a whole old or a whole new file) at every
// change of the night's state, so that a night cut by a kill, a power cut or a vanished
// controller can be continued at the next start.
#include "app/journal.hpp"

#include "convert/conversion_list.hpp"

namespace varnolt {

using controls::ListItem;

namespace {

constexpr const char* kHeader = "[Varnolt night]";
constexpr const char* kOutcomes[] = {"todo", "saving", "done", "failed"};

std::string join(std::initializer_list<std::string_view> fields) {
  std::string s;
  bool first = true;
  for (std::string_view f : fields) {
    if (!first) s += '|';
    first = false;
    s += f;
  }
  return s;
}

int number(std::string_view s) {
  int v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return -1;
    v = v * 10 + (c - '0');
    if (v > 1'000'000) return -1;
  }
  return s.empty() ? -1 : v;
}

}  // namespace

int NightJournal::recordingsLeft() const {
  int n = 0;
  for (const auto& r : recordings)
    n += r.outcome == NightTally::Outcome::Todo || r.outcome == NightTally::Outcome::Saving;
  return n;
}

int NightJournal::conversionsLeft() const {
  int n = 0;
  for (const auto& c : conversions) n += c.checked && c.status == kNotWorked;
  return n;
}

std::string journalText(const NightJournal& j) {
  std::string t = std::string(kHeader) + "\r\n";
  auto line = [&t](std::string_view key, const std::string& value) {
    t.append(key).append("=").append(value).append("\r\n");
  };
  line("Check1", std::to_string(j.check1));
  line("Check2", std::to_string(j.check2));
  line("EndOfWork", std::to_string(static_cast<int>(j.endOfWork)));
  line("Tally", std::to_string(j.downloaded) + "|" + std::to_string(j.converted));
  for (const auto& f : j.failed) line("Failed", f);
  for (const auto& r : j.recordings)
    line("Recording", join({kOutcomes[static_cast<int>(r.outcome)], r.title, r.recorded, r.length,
                            r.mpgFolder, r.savedTo}));
  for (const auto& c : j.conversions)
    line("Conversion", join({c.checked ? "1" : "0", c.status, c.m2tPath, c.mpgFolder,
                             c.current ? "current" : ""}));
  return t;
}

std::optional<NightJournal> parseJournal(std::string_view text) {
  std::vector<std::string> lines = text_rules::split(text, "\r\n");
  if (lines.empty() || lines[0] != kHeader) return std::nullopt;
  NightJournal j;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string& l = lines[i];
    if (l.empty()) continue;
    const auto eq = l.find('=');
    if (eq == std::string::npos) return std::nullopt;
    const std::string key = l.substr(0, eq), value = l.substr(eq + 1);
    const std::vector<std::string> f = text_rules::split(value, "|");
    if (key == "Check1" || key == "Check2") {
      const int v = number(value);
      if (v < 0 || v > 1) return std::nullopt;
      (key == "Check1" ? j.check1 : j.check2) = v;
    } else if (key == "EndOfWork") {
      const int v = number(value);
      if (v < 0 || v > static_cast<int>(EndOfWork::None)) return std::nullopt;
      j.endOfWork = static_cast<EndOfWork>(v);
    } else if (key == "Tally") {
      if (f.size() != 2 || number(f[0]) < 0 || number(f[1]) < 0) return std::nullopt;
      j.downloaded = number(f[0]);
      j.converted = number(f[1]);
    } else if (key == "Failed") {
      j.failed.push_back(value);
    } else if (key == "Recording") {
      if (f.size() != 6) return std::nullopt;
      NightJournal::Recording r;
      bool known = false;
      for (int k = 0; k < 4; ++k)
        if (f[0] == kOutcomes[k]) {
          r.outcome = static_cast<NightTally::Outcome>(k);
          known = true;
        }
      if (!known) return std::nullopt;
      r.title = f[1];
      r.recorded = f[2];
      r.length = f[3];
      r.mpgFolder = f[4];
      r.savedTo = f[5];
      j.recordings.push_back(std::move(r));
    } else if (key == "Conversion") {
      if (f.size() != 5 || (f[0] != "0" && f[0] != "1")) return std::nullopt;
      j.conversions.push_back({f[0] == "1", f[1], f[2], f[3], f[4] == "current"});
    } else {
      return std::nullopt;
    }
  }
  return j;
}

void Form1::journalNight() {
  NightTally& n = state.night;
  if (!n.active) return;
  NightJournal j;
  j.check1 = Check1.value();
  j.check2 = Check2.value();
  j.endOfWork = endOfWorkChoice();
  j.downloaded = n.downloaded;
  j.converted = n.converted;
  j.failed = n.failed;
  for (const auto& [row, outcome] : n.downloads) {
    if (row < 1 || row > ListView1.count()) continue;
    const ListItem& item = ListView1.item(row);
    j.recordings.push_back(
        {outcome, item.subItem(3), item.subItem(4), item.subItem(5), item.subItem(8),
         outcome == NightTally::Outcome::Saving ? state.downloadPath : std::string()});
  }
  for (std::size_t r = 1; r <= ListView10.count(); ++r) {
    const ListItem& item = ListView10.item(r);
    j.conversions.push_back({item.checked, item.subItem(m2tcol::kStatus),
                             item.subItem(m2tcol::kFullPath), item.subItem(m2tcol::kMpgParent),
                             static_cast<std::size_t>(state.ConvRow) == r});
  }
  const std::string path = appFile(*this, kJournalFile);
  try {
    ports.files.replaceFile(path, ports.codec.toAnsi(journalText(j)));
    n.journalFailed = false;
  } catch (const std::exception& e) {
    // Told once while the failure lasts: the night goes on, only its resume is at risk.
    if (!n.journalFailed)
      logAdd("作業の記録を保存できませんでした：" + path + "（" + e.what() + "）");
    n.journalFailed = true;
  }
}

void Form1::nightOver() {
  keepAwake(false);
  if (!state.night.active) return;
  state.night.active = false;
  const std::string path = appFile(*this, kJournalFile);
  try {
    if (ports.files.fileExists(path)) ports.files.deleteFile(path);
  } catch (const std::exception& e) {
    logAdd("作業の記録を削除できませんでした：" + path + "（" + e.what() + "）");
  }
}

}  // namespace varnolt
