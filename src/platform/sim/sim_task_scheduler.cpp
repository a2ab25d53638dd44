#include "platform/sim/sim_task_scheduler.hpp"

#include <cstdio>

namespace varnolt::sim {

platform::ScheduledTask SimTaskScheduler::query(std::string_view name, platform::TaskError& error) {
  error = failWith;
  if (!error.empty()) return {};
  auto it = tasks.find(name);
  return it == tasks.end() ? platform::ScheduledTask{} : it->second;
}

platform::TaskError SimTaskScheduler::registerDaily(std::string_view name, int hour, int minute,
                                                    std::string_view program,
                                                    std::string_view arguments) {
  char time[8];
  std::snprintf(time, sizeof time, "%02d:%02d", hour, minute);
  sink_("task: register " + std::string(name) + " daily " + time + " wake interactive batteries " +
        "no-limit ignore-new|" + std::string(program) + "|" + std::string(arguments) +
        (failWith.empty() ? "" : " failed"));
  if (!failWith.empty()) return failWith;
  tasks[std::string(name)] = {true, std::string(program), std::string(arguments), hour, minute};
  return {};
}

platform::TaskError SimTaskScheduler::remove(std::string_view name) {
  sink_("task: remove " + std::string(name) + (failWith.empty() ? "" : " failed"));
  if (!failWith.empty()) return failWith;
  if (auto it = tasks.find(name); it != tasks.end()) tasks.erase(it);
  return {};
}

}  // namespace varnolt::sim
