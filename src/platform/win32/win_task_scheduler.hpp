// The Task Scheduler port on Task Scheduler 2.0 (ITaskService): the nightly task in the
// root folder.
#pragma once

#include <windows.h>

#include <taskschd.h>
#include <functional>

#include "platform/task_scheduler.hpp"

namespace varnolt::win32 {

// Creates the Task Scheduler service object and connects it to this computer as the
// user who runs Varnolt. COM is entered by the caller.
HRESULT connectTaskService(ITaskService** service);

class WinTaskScheduler : public platform::TaskScheduler {
 public:
  // The service every request starts from; a test hands over a stand-in of the interface.
  std::function<HRESULT(ITaskService**)> openService = connectTaskService;

  platform::ScheduledTask query(std::string_view name, platform::TaskError& error) override;
  platform::TaskError registerDaily(std::string_view name, int hour, int minute,
                                    std::string_view program, std::string_view arguments) override;
  platform::TaskError remove(std::string_view name) override;
};

// A failed call as the user reads it: "0x80070005 アクセスが拒否されました。".
platform::TaskError taskError(HRESULT hr);

}  // namespace varnolt::win32
