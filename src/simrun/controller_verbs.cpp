// The verb "controller": the stand-in controller's settings (standin::applyConfigLine)
// and actions on it now. README.md lists them all. Settings take effect at the next
// start of the controller; what it does is printed as "controller: ..." lines.
#include <memory>

#include "platform/sim/sim_standin.hpp"
#include "simrun/scenario.hpp"

namespace varnolt::simrun {

void registerControllerVerbs(Runner& runner) {
  auto standin = std::make_shared<sim::SimStandin>(runner.world());

  runner.addVerb("controller", [standin](Runner& r, const std::vector<std::string>& w,
                                         const std::string& rest) {
    if (w.empty()) r.fail("controller needs a setting or an action");
    const std::string& what = w[0];
    const std::string arg = rest.size() > what.size() ? rest.substr(what.size() + 1) : "";
    if (what == "install") {
      if (arg.empty()) r.fail("controller install PATH");
      standin->install(arg);
    } else if (what == "running") {
      standin->runNow();
    } else if (what == "hang" || what == "resume") {
      if (!standin->running()) r.fail("the controller is not running");
      standin->setHung(what == "hang");
    } else if (what == "exit") {
      if (!standin->running()) r.fail("the controller is not running");
      standin->terminate();
    } else if (what == "keys") {
      for (const auto& m : standin->takeListMessages()) r.emit("keys: " + m);
    } else if (what == "report") {
      for (const auto& [name, h] : standin->report())
        r.emit("handle " + name + "=" + handleText(h));
    } else {
      std::string error = standin::applyConfigLine(standin->config, rest);
      if (!error.empty()) r.fail(error);
    }
    r.settle();
  });
}

}  // namespace varnolt::simrun
