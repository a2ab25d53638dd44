// The Windows backend's session and power port with its system calls replaced: what it
// would ask of the system, and what it reports back. Nothing here reaches the host.
#include "groups.hpp"

#include "platform/win32/win_platform.hpp"

namespace winetest {

namespace {

// What the replaced calls were asked, and what they answer; plain function pointers reach it.
struct Seen {
  DWORD tokenAccess = 0, count = 0, attributes = 0, bufferLength = 0, lastError = 0;
  std::string privilege;  // "remote " before it when a system is named
  bool previousAsked = false;
  BOOL disableAll = TRUE, powerResult = TRUE;
  std::vector<std::pair<UINT, DWORD>> exits;
  std::vector<std::pair<BOOL, BOOL>> powerStates;
  std::vector<EXECUTION_STATE> executionStates;
} seen;

}  // namespace

void powerPortTests() {
  say("# the session and power port, system calls replaced");
  varnolt::win32::WinPower power;
  power.calls.openProcessToken = [](HANDLE, DWORD access, PHANDLE token) -> BOOL {
    seen.tokenAccess = access;
    *token = nullptr;
    return TRUE;
  };
  power.calls.lookupPrivilegeValue = [](LPCSTR system, LPCSTR name, PLUID luid) -> BOOL {
    seen.privilege = std::string(system ? "remote " : "") + (name ? name : "");
    *luid = LUID{19, 0};
    return TRUE;
  };
  power.calls.adjustTokenPrivileges = [](HANDLE, BOOL disableAll, PTOKEN_PRIVILEGES state,
                                         DWORD length, PTOKEN_PRIVILEGES previous, PDWORD) -> BOOL {
    seen.disableAll = disableAll;
    seen.count = state->PrivilegeCount;
    seen.attributes = state->Privileges[0].Attributes;
    seen.bufferLength = length;
    seen.previousAsked = previous != nullptr;
    return TRUE;
  };
  power.calls.exitWindowsEx = [](UINT flags, DWORD reserved) -> BOOL {
    seen.exits.emplace_back(flags, reserved);
    return TRUE;
  };
  power.calls.setSystemPowerState = [](BOOL suspend, BOOL force) {
    seen.powerStates.emplace_back(suspend, force);
    return seen.powerResult;
  };
  power.calls.setThreadExecutionState = [](EXECUTION_STATE state) -> EXECUTION_STATE {
    seen.executionStates.push_back(state);
    return ES_CONTINUOUS;
  };
  power.calls.getLastError = []() { return seen.lastError; };

  power.enableShutdownPrivilege();
  check(seen.tokenAccess == 0x28, "the token is opened with TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY",
        std::to_string(seen.tokenAccess));
  check(seen.privilege == "SeShutdownPrivilege",
        "SeShutdownPrivilege is looked up on the local system", seen.privilege);
  check(!seen.disableAll && seen.count == 1 && seen.attributes == SE_PRIVILEGE_ENABLED &&
            seen.bufferLength == 16 && seen.previousAsked,
        "exactly that privilege is enabled, the previous state asked into 16 bytes",
        std::to_string(seen.bufferLength));

  using varnolt::platform::ExitKind;
  for (ExitKind k : {ExitKind::LogOff, ExitKind::Reboot, ExitKind::PowerOff}) power.exitWindows(k);
  check(seen.exits == std::vector<std::pair<UINT, DWORD>>{{0, 0}, {2, 0}, {8, 0}},
        "log off, reboot and power off pass the flags 0, 2 and 8 (never EWX_FORCE), reserved 0");

  seen.lastError = 183;  // left over from an earlier call
  auto ok = power.setSystemPowerState(true);
  check(ok.ok && ok.lastError == 0 && seen.powerStates.back() == std::make_pair(TRUE, FALSE),
        "suspend asks SetSystemPowerState(TRUE, FALSE); a success reports no error",
        std::to_string(ok.lastError));
  seen.powerResult = FALSE;
  seen.lastError = 50;
  auto failed = power.setSystemPowerState(false);
  check(!failed.ok && failed.lastError == 50 &&
            seen.powerStates.back() == std::make_pair(FALSE, FALSE),
        "hibernate asks SetSystemPowerState(FALSE, FALSE); a failure reports its last error",
        std::to_string(failed.lastError));

  power.keepAwake(true);
  power.keepAwake(false);
  check(seen.executionStates ==
            std::vector<EXECUTION_STATE>{ES_CONTINUOUS | ES_SYSTEM_REQUIRED, ES_CONTINUOUS},
        "a night asks SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED), never the "
        "display, and gives it back with ES_CONTINUOUS alone");
}

}  // namespace winetest
