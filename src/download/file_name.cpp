#include "download/file_name.hpp"

#include <array>
#include <cctype>

namespace varnolt {

namespace {

// The characters a file name cannot hold, with the full-width forms that stand in.
constexpr std::array<std::pair<char, const char*>, 9> kReplacements = {{
    {'\\', "＼"},
    {'/', "／"},
    {':', "："},
    {'*', "＊"},
    {'?', "？"},
    {'"', "＂"},
    {'<', "＜"},
    {'>', "＞"},
    {'|', "｜"},
}};

bool isReservedDeviceName(std::string_view name) {
  std::string upper;
  for (char c : name) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  // Trailing spaces do not make a device name free.
  while (!upper.empty() && upper.back() == ' ') upper.pop_back();
  for (const char* n : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (upper == n) return true;
  if (upper.size() == 4 && (upper.rfind("COM", 0) == 0 || upper.rfind("LPT", 0) == 0))
    return upper[3] >= '0' && upper[3] <= '9';
  return false;
}

}  // namespace

std::string fileNameOfTitle(std::string_view title) {
  std::string out;
  out.reserve(title.size());
  for (char c : title) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) continue;
    const char* wide = nullptr;
    for (const auto& [narrow, replacement] : kReplacements)
      if (c == narrow) wide = replacement;
    if (wide)
      out += wide;
    else
      out += c;
  }
  // A device name stays one whatever extension follows it: "NUL.m2t" is the device.
  const std::size_t dot = out.find('.');
  const std::size_t end = dot == std::string::npos ? out.size() : dot;
  if (!isReservedDeviceName(std::string_view(out).substr(0, end))) return out;
  return out.substr(0, end) + "_" + out.substr(end);
}

std::string collisionSuffix(int n) {
  if (n <= 0) return {};
  return (n < 10 ? "_0" : "_") + std::to_string(n);
}

std::string freeStem(const std::string& stem,
                     const std::function<bool(const std::string&)>& taken) {
  for (int n = 0;; ++n) {
    std::string candidate = stem + collisionSuffix(n);
    if (!taken(candidate)) return candidate;
  }
}

std::string nameOfUntitled(std::string_view recordedAt) {
  std::vector<std::string> numbers(1);
  for (char c : recordedAt) {
    if (c >= '0' && c <= '9')
      numbers.back() += c;
    else if (!numbers.back().empty())
      numbers.emplace_back();
  }
  if (numbers.back().empty()) numbers.pop_back();
  if (numbers.empty()) return "録画";
  auto two = [](const std::string& n) { return n.size() < 2 ? "0" + n : n; };
  if (numbers.size() >= 5)
    return "録画_" + numbers[0] + two(numbers[1]) + two(numbers[2]) + "_" + two(numbers[3]) +
           two(numbers[4]);
  std::string joined;
  for (const auto& n : numbers) joined += n;
  return "録画_" + joined;
}

namespace {

std::size_t utf16Units(std::string_view utf8) {
  std::size_t units = 0;
  for (unsigned char c : utf8) {
    if ((c & 0xC0) == 0x80) continue;
    units += c >= 0xF0 ? 2 : 1;
  }
  return units;
}

// Where the last whole UTF-8 character of `text` begins.
std::size_t lastCharStart(std::string_view text) {
  std::size_t i = text.size() - 1;
  while (i > 0 && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) --i;
  return i;
}

}  // namespace

std::string fitName(std::string_view name, std::string_view tail,
                    const std::vector<NamePlace>& places,
                    const std::function<std::size_t(std::string_view)>& ansiBytes) {
  std::string head(name);
  auto fits = [&] {
    for (const NamePlace& p : places) {
      const std::string file = head + std::string(tail) + p.extension;
      if (utf16Units(file) > kMaxNameUnits) return false;
      if (ansiBytes(p.folder + "\\" + file) > kMaxPathBytes) return false;
    }
    return true;
  };
  while (head.size() > 1 && !fits()) {
    head.erase(lastCharStart(head));
    // A name never ends in a space once cut: Windows would drop it from the file's name.
    while (head.size() > 1 && head.back() == ' ') head.pop_back();
  }
  return head;
}

std::string freeFittingName(std::string_view name, std::string_view marker,
                            const std::vector<NamePlace>& places,
                            const std::function<std::size_t(std::string_view)>& ansiBytes,
                            const std::function<bool(const std::string&)>& exists) {
  for (int n = 0;; ++n) {
    const std::string tail = std::string(marker) + collisionSuffix(n);
    std::string candidate = fitName(name, tail, places, ansiBytes) + tail;
    bool taken = false;
    for (const NamePlace& p : places)
      taken = taken || exists(p.folder + "\\" + candidate + p.extension);
    if (!taken) return candidate;
  }
}

}  // namespace varnolt
