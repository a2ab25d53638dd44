// The whole simulated world.
#include "platform/sim/sim_world.hpp"

#include "platform/sim/sim_desktop.hpp"

namespace varnolt::sim {

namespace fs = std::filesystem;
using platform::DateTime;

SimWorld::SimWorld(fs::path root, DateTime start, EventSink s)
    : sink(std::move(s)),
      clock(start),
      files(std::move(root)),
      dialogs(sink),
      shell(sink, files),
      power(sink),
      tasks([this](std::string_view l) { sink(l); }),
      desktop(std::make_unique<SimDesktop>(clock, codec)),
      platform{clock,    regional, codec, files,         dialogs, shell,
               registry, *desktop, power, "C:\\Varnolt", {},      &tasks} {}

SimWorld::~SimWorld() = default;

}  // namespace varnolt::sim
