// Verbs of the stand-in controller.
#include "simrun/scenario.hpp"

namespace varnolt::simrun {

void registerControllerVerbs(Runner&) {}

}  // namespace varnolt::simrun
