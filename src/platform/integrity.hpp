// Whether another program refuses Varnolt's messages: the system's user-interface
// privilege isolation drops every message a process sends or posts to a process of a
// higher integrity level (a controller started as administrator).
#pragma once

#include <cstdint>
#include <optional>

namespace varnolt::platform {

inline constexpr std::uint32_t kErrorAccessDenied = 5;

struct IntegrityProbe {
  // Mandatory-label levels (0x2000 medium, 0x3000 high); nullopt when unreadable.
  std::optional<std::uint32_t> theirs, ours;
  // A harmless message sent to the window: whether it was answered, and the system's
  // last error when it was not.
  bool sendAnswered = true;
  std::uint32_t sendError = 0;
};

// Higher when both levels are known and theirs is above ours; a refused send with
// "access denied" says the same whatever the levels read.
constexpr bool refusesMessages(const IntegrityProbe& p) {
  if (p.theirs && p.ours && *p.theirs > *p.ours) return true;
  return !p.sendAnswered && p.sendError == kErrorAccessDenied;
}

}  // namespace varnolt::platform
