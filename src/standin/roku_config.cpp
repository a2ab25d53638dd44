#include "standin/roku_config.hpp"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <limits>
#include <utility>

namespace varnolt::standin {

namespace {

struct FaultEntry {
  Fault fault;
  const char* name;
};
constexpr FaultEntry kFaults[] = {
    {Fault::NoDetails, "nodetails"},   {Fault::Hung, "hung"},
    {Fault::ExitMidTransfer, "exit"},  {Fault::DialogNeverOpens, "nodialog"},
    {Fault::SmallerOutput, "smaller"}, {Fault::NoOutput, "nooutput"},
    {Fault::StartFails, "nostart"},    {Fault::NoInterrupt, "nointerrupt"},
    {Fault::NoTransfer, "notransfer"}, {Fault::Elevated, "elevated"},
};

// Digits with at most one decimal point, as a size text has them.
bool isDecimal(std::string_view s) {
  bool digit = false, point = false;
  for (char c : s) {
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digit;
}

std::string trim(std::string_view s) {
  auto b = s.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  auto e = s.find_last_not_of(" \t");
  return std::string(s.substr(b, e - b + 1));
}

// The whole text as a T in decimal digits (with a "-" only where T is signed); a text
// with anything else, or out of T's range, is none.
template <typename T>
std::optional<T> wholeNumber(std::string_view text) {
  T value{};
  const char* end = text.data() + text.size();
  auto [stop, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || stop != end) return std::nullopt;
  return value;
}

// The parts of a setting line after its key.
struct SettingLine {
  std::string value;          // the rest of the line, trimmed
  std::string_view verbatim;  // the rest after the key and one space, as it stands
};

// Applies one setting; returns an error text, empty when the line was taken.
using ApplySetting = std::string (*)(Config& config, const SettingLine& line);

std::string setTitle(Config& config, const SettingLine& line) {
  if (line.value.empty()) return "title takes the caption of the main window";
  config.title = line.value;
  return {};
}

std::string addRecording(Config& config, const SettingLine& line) {
  if (line.value.empty()) return "recording takes ENTRY [SIZE]";
  config.recordings.push_back(parseRecording(line.value));
  return {};
}

// A million entries is past any list a scale test needs.
constexpr std::uint32_t kMaxGenerated = 999999;

std::string addGeneratedRecordings(Config& config, const SettingLine& line) {
  const auto count = wholeNumber<std::uint32_t>(line.value);
  if (!count || *count > kMaxGenerated) return "recordings takes a number of entries";
  const std::size_t first = config.recordings.size() + 1;
  for (std::size_t k = first; k < first + *count; ++k) {
    const std::string num = std::to_string(k);
    std::string line = num + "||番組";
    line += num;
    line += "|2026/12/01 21:00|00:30|HD";
    config.recordings.push_back({std::move(line), num + " MB", std::nullopt});
  }
  return {};
}

std::string setDetails(Config& config, const SettingLine& line) {
  if (config.recordings.empty()) return "details needs a recording before it";
  config.recordings.back().details = unescapeLineEnds(line.verbatim);
  return {};
}

std::string addFault(Config& config, const SettingLine& line) {
  const auto space = line.value.find(' ');
  const std::string name = line.value.substr(0, space);
  const std::string row =
      space == std::string::npos ? std::string() : trim(line.value.substr(space));
  auto fault = faultByName(name);
  if (!fault) return "unknown fault '" + line.value + "' (one of " + faultNames() + ")";
  if (!row.empty()) {
    const auto number = wholeNumber<int>(row);
    if (*fault != Fault::NoTransfer || !number || *number < 1)
      return "only notransfer takes a row, counted from 1";
    config.noTransferRows.insert(*number);
  }
  config.faults.insert(*fault);
  return {};
}

std::string setRange(Config& config, const SettingLine& line) {
  const auto space = line.value.find_first_of(" \t");
  const auto low = wholeNumber<int>(std::string_view(line.value).substr(0, space));
  const auto high =
      wholeNumber<int>(space == std::string::npos ? std::string() : trim(line.value.substr(space)));
  if (!low || !high || *low >= *high) return "range takes MIN MAX with MIN < MAX";
  config.rangeMin = *low;
  config.rangeMax = *high;
  return {};
}

std::string setPlayFirst(Config& config, const SettingLine& line) {
  if (!line.value.empty()) return "playfirst takes nothing";
  config.playFirst = true;
  return {};
}

std::string setTwoEdits(Config& config, const SettingLine& line) {
  if (!line.value.empty()) return "twoedits takes nothing";
  config.twoEdits = true;
  return {};
}

std::string milliseconds(const char* key, const SettingLine& line, int& target) {
  const auto ms = wholeNumber<std::uint32_t>(line.value);
  if (!ms || *ms > static_cast<std::uint32_t>(std::numeric_limits<int>::max()))
    return std::string(key) + " takes a number of milliseconds";
  target = static_cast<int>(*ms);
  return {};
}

std::string setStartup(Config& config, const SettingLine& line) {
  return milliseconds("startup", line, config.startupMs);
}

std::string setJob(Config& config, const SettingLine& line) {
  return milliseconds("job", line, config.jobMs);
}

struct SettingEntry {
  const char* key;
  ApplySetting apply;
};
constexpr SettingEntry kSettings[] = {
    {"title", &setTitle},
    {"recording", &addRecording},
    {"recordings", &addGeneratedRecordings},
    {"details", &setDetails},
    {"fault", &addFault},
    {"range", &setRange},
    {"playfirst", &setPlayFirst},
    {"twoedits", &setTwoEdits},
    {"startup", &setStartup},
    {"job", &setJob},
};

}  // namespace

std::optional<Fault> faultByName(std::string_view name) {
  for (const auto& f : kFaults)
    if (name == f.name) return f.fault;
  return std::nullopt;
}

const char* faultName(Fault fault) {
  for (const auto& f : kFaults)
    if (f.fault == fault) return f.name;
  return "?";
}

std::string faultNames() {
  std::string out;
  for (const auto& f : kFaults) out += (out.empty() ? "" : ", ") + std::string(f.name);
  return out;
}

Recording parseRecording(std::string_view text) {
  std::string t = trim(text);
  Recording r;
  r.entry = t;
  // The last two words are the size when they read "<number> MB" or "<number> GB".
  auto unitSpace = t.find_last_of(' ');
  if (unitSpace == std::string::npos) return r;
  std::string unit = t.substr(unitSpace + 1);
  if (unit != "MB" && unit != "GB") return r;
  std::string head = trim(t.substr(0, unitSpace));
  auto numberSpace = head.find_last_of(' ');
  if (numberSpace == std::string::npos) return r;
  std::string number = head.substr(numberSpace + 1);
  if (!isDecimal(number)) return r;
  r.entry = trim(head.substr(0, numberSpace));
  r.size = number + " " + unit;
  return r;
}

std::uint64_t sizeBytes(std::string_view sizeText) {
  std::string t = trim(sizeText);
  auto space = t.find(' ');
  if (space == std::string::npos) return 0;
  std::string number = t.substr(0, space), unit = trim(t.substr(space + 1));
  if (!isDecimal(number)) return 0;
  double mb = std::strtod(number.c_str(), nullptr);
  if (unit == "GB")
    mb *= 1000;
  else if (unit != "MB")
    return 0;
  // A size no file can have (beyond 2^64 bytes) is one it cannot read; converting it
  // would be undefined.
  const double bytes = mb * 1048576.0 + 0.5;
  if (!(bytes < 18446744073709551616.0)) return 0;
  return static_cast<std::uint64_t>(bytes);
}

std::string applyConfigLine(Config& config, std::string_view line) {
  const std::string trimmed = trim(line);
  const auto space = trimmed.find(' ');
  const std::string key = trimmed.substr(0, space);
  SettingLine setting;
  setting.value = space == std::string::npos ? std::string() : trim(trimmed.substr(space + 1));
  // The details text is verbatim: only the one space after the key is not part of it.
  const auto keyStart = line.find_first_not_of(" \t");
  setting.verbatim =
      keyStart == std::string_view::npos ? std::string_view() : line.substr(keyStart + key.size());
  if (!setting.verbatim.empty() && setting.verbatim.front() == ' ')
    setting.verbatim.remove_prefix(1);
  for (const auto& s : kSettings)
    if (key == s.key) return s.apply(config, setting);
  return "unknown setting '" + key + "'";
}

std::string unescapeLineEnds(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size() && (s[i + 1] == 'r' || s[i + 1] == 'n')) {
      out += s[i + 1] == 'r' ? '\r' : '\n';
      ++i;
    } else {
      out += s[i];
    }
  }
  return out;
}

}  // namespace varnolt::standin
