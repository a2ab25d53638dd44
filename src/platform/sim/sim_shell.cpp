// Programs of the world and documents opened.
#include "platform/sim/sim_world.hpp"

namespace varnolt::sim {

std::uint32_t SimShell::startProgram(std::string_view path) {
  if (!files_.fileExists(path)) throw RunError(run_error::kFileNotFound);
  for (auto& [p, start] : programs)
    if (sameNameIgnoringCase(p, path)) return start();
  // Any other file starts a program without windows.
  sink_("start " + std::string(path));
  return nextPid_ += 4;
}

void SimShell::openDocument(Hwnd, std::string_view path) {
  sink_("shell open " + std::string(path));
}

}  // namespace varnolt::sim
