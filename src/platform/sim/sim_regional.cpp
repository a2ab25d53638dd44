// Japanese regional defaults.
#include "platform/sim/sim_world.hpp"

#include <cstdio>

namespace varnolt::sim {

using platform::DateTime;

std::string SimRegional::shortDate(const DateTime& t) {
  char b[32];
  std::snprintf(b, sizeof b, "%04d/%02d/%02d", t.year, t.month, t.day);
  return b;
}

std::string SimRegional::longTime(const DateTime& t) {
  char b[32];
  std::snprintf(b, sizeof b, "%d:%02d:%02d", t.hour, t.minute, t.second);
  return b;
}

std::string SimRegional::formatPlainNumber(const std::string& plain, int) {
  // The decimal point ".", groups of three digits split by ",", a leading "-" unless
  // every digit is zero.
  const bool minus = !plain.empty() && plain[0] == '-';
  std::string digits = plain.substr(minus ? 1 : 0), frac;
  if (auto p = digits.find('.'); p != std::string::npos) {
    frac = digits.substr(p);
    digits.resize(p);
  }
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  const bool zero = (digits + frac).find_first_of("123456789") == std::string::npos;
  return (minus && !zero ? "-" : "") + grouped + frac;
}

}  // namespace varnolt::sim
