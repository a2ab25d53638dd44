// The simulated Task Scheduler: keeps tasks by name and prints every request as a
// "task: ..." line.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "platform/task_scheduler.hpp"

namespace varnolt::sim {

class SimTaskScheduler : public platform::TaskScheduler {
 public:
  explicit SimTaskScheduler(std::function<void(std::string_view)> sink) : sink_(std::move(sink)) {}
  std::map<std::string, platform::ScheduledTask, std::less<>> tasks;
  // The error every next request answers with; "" when they succeed.
  std::string failWith;

  platform::ScheduledTask query(std::string_view name, platform::TaskError& error) override;
  platform::TaskError registerDaily(std::string_view name, int hour, int minute,
                                    std::string_view program, std::string_view arguments) override;
  platform::TaskError remove(std::string_view name) override;

 private:
  std::function<void(std::string_view)> sink_;
};

}  // namespace varnolt::sim
