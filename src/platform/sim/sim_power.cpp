// Power requests, recorded.
#include "platform/sim/sim_world.hpp"

namespace varnolt::sim {

void SimPower::enableShutdownPrivilege() {
  sink_("power: privilege SeShutdownPrivilege");
}

platform::PowerResult SimPower::exitWindows(platform::ExitKind kind) {
  static const char* names[] = {"logoff", "reboot", "poweroff"};
  sink_(std::string("power: ") + names[static_cast<int>(kind)]);
  return {true, 0};
}

platform::PowerResult SimPower::setSystemPowerState(bool suspend) {
  const std::uint32_t error = nextPowerStateError;
  nextPowerStateError = 0;
  sink_(std::string("power: ") + (suspend ? "suspend" : "hibernate") +
        (error ? " failed " + std::to_string(error) : std::string()));
  return {error == 0, error};
}

void SimPower::keepAwake(bool on) {
  sink_(std::string("power: awake ") + (on ? "on" : "off"));
}

}  // namespace varnolt::sim
