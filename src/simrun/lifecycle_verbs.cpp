// Verbs that end the program from outside, as a night can be cut:
//
//   kill        the program ends at once (Task Manager, a crash): no handler runs, nothing
//               is written; the stand-in controller goes on and finishes its transfer
//   powercut    the machine loses power: the program and the controller end at once
//
// Both are printed ("program: killed", "program: power cut"); `start` then runs the
// program again in the same world.
#include "simrun/scenario.hpp"

namespace varnolt::simrun {

void Runner::endProgram(const std::string& how) {
  if (!form_ || form_->closed) fail("the program is not running");
  if (inSpinTurn_ || !modals_.empty())
    fail("the program can be ended only between its handlers in a scenario");
  world_->clock.forgetTimers();
  form_.reset();
  emit("program: " + how);
}

void registerLifecycleVerbs(Runner& runner) {
  runner.addVerb("kill", [](Runner& r, const std::vector<std::string>& w, auto&) {
    if (!w.empty()) r.fail("kill takes no words");
    r.endProgram("killed");
  });
  runner.addVerb("powercut", [](Runner& r, const std::vector<std::string>& w, auto&) {
    if (!w.empty()) r.fail("powercut takes no words");
    r.endProgram("power cut");
    for (auto& end : r.world().onPowerCut) end();
  });
}

}  // namespace varnolt::simrun
