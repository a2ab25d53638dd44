// The Task Scheduler service of the test build Varnolt-taskfake.exe: the recording
// stand-in, kept for the whole process, each call appended to task-calls.log beside the
// program so that the Wine driver can read what a click asked for.
#include <filesystem>
#include <fstream>

#include "platform/win32/win_platform.hpp"
#include "platform/win32/win_task_scheduler.hpp"
#include "task_fake.hpp"

namespace varnolt::win32 {

HRESULT connectTaskService(ITaskService** service) {
  static taskfake::Calls calls;
  static taskfake::Service* kept = [] {
    const std::string file = moduleFolder() + "\\task-calls.log";
    calls.onCall = [file](const std::string& line) {
      std::ofstream(std::filesystem::path(widen(file)), std::ios::app | std::ios::binary)
          << line << "\n";
    };
    return new taskfake::Service(calls);
  }();
  return taskfake::give(kept, service);
}

}  // namespace varnolt::win32
