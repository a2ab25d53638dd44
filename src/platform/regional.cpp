// Numbers as the system's number formatting writes them, the same on every system: the
// rounding here, the user's separators by the port.
#include <cmath>
#include <cstdio>

#include "platform/platform.hpp"

namespace varnolt::platform {

std::string Regional::formatNumber(double value, int decimals) {
  // Halves away from zero, as the system's number formatting rounds.
  const double scale = std::pow(10.0, decimals);
  const double rounded = std::round(value * scale) / scale;
  char plain[64];
  std::snprintf(plain, sizeof plain, "%.*f", decimals, rounded);
  return formatPlainNumber(plain, decimals);
}

std::string Regional::formatPercent(double value) {
  return formatNumber(value * 100, 2) + "%";
}

}  // namespace varnolt::platform
