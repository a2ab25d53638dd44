// The simulated Task Scheduler's verb: a task already there, requests that fail, and
// what the scheduler keeps.
#include <cstdio>

#include "simrun/scenario.hpp"

namespace varnolt::simrun {

namespace {

using Words = std::vector<std::string>;

// task have NAME|PROGRAM|ARGUMENTS|HH:MM, task fail ERROR, task ok, task show
void taskScheduler(Runner& r, const Words& w, const std::string& rest) {
  auto& tasks = r.world().tasks;
  const std::string usage =
      "task have NAME|PROGRAM|ARGUMENTS|HH:MM, task fail ERROR, task ok, or task show";
  if (w.empty()) r.fail(usage);
  const std::string tail = rest.size() > w[0].size() ? rest.substr(w[0].size() + 1) : "";
  if (w[0] == "have") {
    const auto f = text_rules::split(tail, "|");
    int h = 0, m = 0;
    if (f.size() != 4 || std::sscanf(f[3].c_str(), "%d:%d", &h, &m) != 2) r.fail(usage);
    tasks.tasks[f[0]] = {true, f[1], f[2], h, m};
  } else if (w[0] == "fail") {
    if (tail.empty()) r.fail(usage);
    tasks.failWith = tail;
  } else if (w[0] == "ok") {
    tasks.failWith.clear();
  } else if (w[0] == "show") {
    if (tasks.tasks.empty()) r.emit("task: none");
    for (const auto& [name, t] : tasks.tasks) {
      char time[8];
      std::snprintf(time, sizeof time, "%02d:%02d", t.hour, t.minute);
      r.emit("task: " + name + " " + time + "|" + t.program + "|" + t.arguments);
    }
  } else {
    r.fail(usage);
  }
}

constexpr VerbEntry kTaskVerbs[] = {{"task", &taskScheduler}};

}  // namespace

void registerTaskVerbs(Runner& runner) {
  runner.addVerbs(kTaskVerbs);
}

}  // namespace varnolt::simrun
