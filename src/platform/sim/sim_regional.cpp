// Japanese regional defaults.
#include "platform/sim/sim_world.hpp"

#include <cmath>
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

std::string SimRegional::formatNumber(double value, int decimals) {
  // Half away from zero, as the system's number formatting rounds.
  const double scale = std::pow(10.0, decimals);
  double rounded = std::round(std::fabs(value) * scale) / scale;
  char b[64];
  std::snprintf(b, sizeof b, "%.*f", decimals, rounded);
  std::string digits = b, frac;
  if (auto p = digits.find('.'); p != std::string::npos) {
    frac = digits.substr(p);
    digits.resize(p);
  }
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  bool negative = value < 0 && rounded != 0;
  return (negative ? "-" : "") + grouped + frac;
}

std::string SimRegional::formatPercent(double value) {
  return formatNumber(value * 100, 2) + "%";
}

}  // namespace varnolt::sim
