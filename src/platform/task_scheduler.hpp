// The Task Scheduler: the one daily task that starts Varnolt's automatic night.
#pragma once

#include <string>
#include <string_view>

namespace varnolt::platform {

// A task as the Task Scheduler keeps it.
struct ScheduledTask {
  bool found = false;
  // The program the task's action starts and its arguments.
  std::string program, arguments;
  // The daily trigger's time; -1 when the task has no daily trigger.
  int hour = -1, minute = -1;
};

// What a request did: "" when it succeeded, else the error as the system tells it
// ("0x80070005 アクセスが拒否されました。").
using TaskError = std::string;

class TaskScheduler {
 public:
  virtual ~TaskScheduler() = default;
  // The task of this name in the root folder; `error` set when the scheduler could not
  // be asked.
  virtual ScheduledTask query(std::string_view name, TaskError& error) = 0;
  // Creates or replaces the task: daily at hour:minute, waking the computer, only while
  // the user is logged on, on batteries too, no time limit, a second instance ignored,
  // starting `program` with `arguments`.
  virtual TaskError registerDaily(std::string_view name, int hour, int minute,
                                  std::string_view program, std::string_view arguments) = 0;
  // Removes the task; removing a task that does not exist succeeds.
  virtual TaskError remove(std::string_view name) = 0;
};

}  // namespace varnolt::platform
