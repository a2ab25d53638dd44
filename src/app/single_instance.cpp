#include "app/single_instance.hpp"

#include <cstdint>
#include <cstdio>

namespace varnolt {

namespace {

char lowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool isAutoCommandLine(const std::vector<std::string>& args) {
  for (const std::string& a : args) {
    if (a.size() != 5 || (a[0] != '/' && a[0] != '-')) continue;
    std::string word;
    for (char c : a.substr(1)) word += lowerAscii(c);
    if (word == "auto") return true;
  }
  return false;
}

std::string instanceName(std::string_view appPath) {
  while (!appPath.empty() && (appPath.back() == '\\' || appPath.back() == '/'))
    appPath.remove_suffix(1);
  // FNV-1a, 64 bits.
  std::uint64_t h = 14695981039346656037ull;
  for (char c : appPath) {
    h ^= static_cast<unsigned char>(c == '/' ? '\\' : lowerAscii(c));
    h *= 1099511628211ull;
  }
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
  return std::string("Varnolt.") + hex;
}

}  // namespace varnolt
