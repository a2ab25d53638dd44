// The Windows Task Scheduler port against a recording stand-in of ITaskService and the
// objects it hands out: the calls the port makes to register, read back and remove the
// nightly task, and how it reports a refusal. Wine's own scheduler keeps too little of a
// task to check these (task_probe.cpp shows what it keeps).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/win_task_scheduler.hpp"
#include "task_fake.hpp"

namespace {

using namespace taskfake;

int failures = 0;

void check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  if (!ok) ++failures;
}

void expectCalls(const Calls& calls, std::vector<std::string> expected, const std::string& what) {
  const bool same = calls.log == expected;
  check(same, what);
  if (!same)
    for (const auto& l : calls.log) std::printf("     called: %s\n", l.c_str());
}

// A scheduler port wired to a fresh stand-in service; the service outlives the port's calls.
struct Bench {
  Calls calls;
  Service* service = new Service(calls);
  varnolt::win32::WinTaskScheduler port;
  Bench() {
    port.openService = [this](ITaskService** out) { return give(service, out); };
  }
  ~Bench() { service->Release(); }
};

const std::string kName = "Varnolt 自動ダウンロード";
const std::string kProgram = "C:\\Program Files\\録画 ツール\\Varnolt.exe";

}  // namespace

int wmain() {
  {
    Bench b;
    const auto error = b.port.registerDaily(kName, 3, 5, kProgram, "/auto");
    check(error.empty(), "register succeeds: " + error);
    expectCalls(b.calls,
                {"folder \\", "new task 0", "settings WakeToRun -1",
                 "settings DisallowStartIfOnBatteries 0", "settings StopIfGoingOnBatteries 0",
                 "settings ExecutionTimeLimit PT0S", "settings MultipleInstances 2",
                 "principal LogonType 3", "trigger create 2", "trigger every 1 day",
                 "trigger start T03:05:00", "action create 0", "action path " + kProgram,
                 "action arguments /auto",
                 "register " + kName + " flags 6 logon 3 user/password/sddl 0/0/0"},
                "register: daily at the time, wake, interactive token, batteries, no limit, "
                "ignore new, this program with /auto, create or update");

    b.calls.log.clear();
    varnolt::platform::TaskError queryError;
    const auto task = b.port.query(kName, queryError);
    check(queryError.empty() && task.found && task.program == kProgram &&
              task.arguments == "/auto" && task.hour == 3 && task.minute == 5,
          "query reads back the program, its arguments and the trigger's time");

    b.calls.log.clear();
    check(b.port.remove(kName).empty(), "remove succeeds");
    expectCalls(b.calls, {"folder \\", "delete " + kName + " flags 0"}, "remove deletes the task");
    const auto gone = b.port.query(kName, queryError);
    check(!gone.found && queryError.empty(), "a task not there is off, not an error");
    check(b.port.remove(kName).empty(), "removing a task not there succeeds");
  }
  {
    Bench b;
    b.calls.failing = "register ";
    b.calls.failure = E_ACCESSDENIED;
    const auto error = b.port.registerDaily(kName, 23, 0, kProgram, "/auto");
    check(error.rfind("0x80070005", 0) == 0,
          "a refused registration reports its HRESULT: " + error);
  }
  {
    // Wine's scheduler answers this way to the logon type.
    Bench b;
    b.calls.failing = "principal LogonType";
    b.calls.failure = E_NOTIMPL;
    const auto error = b.port.registerDaily(kName, 23, 0, kProgram, "/auto");
    check(error.rfind("0x80004001", 0) == 0 && b.service->root->tasks.empty(),
          "a setting refused stops the registration: " + error);
  }
  std::printf("%d failed\n", failures);
  return failures == 0 ? 0 : 1;
}
