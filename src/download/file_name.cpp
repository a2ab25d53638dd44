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
    const std::string candidate = stem + collisionSuffix(n);
    if (!taken(candidate)) return candidate;
  }
}

}  // namespace varnolt
