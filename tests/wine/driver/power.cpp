// The Windows backend's session and power port with its system calls replaced: what it
// would ask of the system, and what it reports back. Nothing here reaches the host.
#include "groups.hpp"

#include <cstring>

#include "platform/win32/win_platform.hpp"

namespace winetest {

namespace {

struct Seen {
  DWORD tokenAccess = 0;
  std::string privilege;
  bool systemNameNull = false;
  DWORD count = 0, attributes = 0, bufferLength = 0;
  BOOL disableAll = TRUE;
  bool previousAsked = false;
  std::vector<UINT> exitFlags;
  std::vector<DWORD> exitReserved;
  std::vector<std::pair<BOOL, BOOL>> powerStates;
  BOOL powerResult = TRUE;
  DWORD lastError = 0;
  std::vector<EXECUTION_STATE> executionStates;
};
Seen seen;

BOOL WINAPI fakeOpenToken(HANDLE, DWORD access, PHANDLE token) {
  seen.tokenAccess = access;
  *token = nullptr;
  return TRUE;
}
BOOL WINAPI fakeLookup(LPCSTR system, LPCSTR name, PLUID luid) {
  seen.systemNameNull = system == nullptr;
  seen.privilege = name ? name : "";
  luid->LowPart = 19;
  luid->HighPart = 0;
  return TRUE;
}
BOOL WINAPI fakeAdjust(HANDLE, BOOL disableAll, PTOKEN_PRIVILEGES state, DWORD length,
                       PTOKEN_PRIVILEGES previous, PDWORD) {
  seen.disableAll = disableAll;
  seen.count = state->PrivilegeCount;
  seen.attributes = state->Privileges[0].Attributes;
  seen.bufferLength = length;
  seen.previousAsked = previous != nullptr;
  return TRUE;
}
BOOL WINAPI fakeExit(UINT flags, DWORD reserved) {
  seen.exitFlags.push_back(flags);
  seen.exitReserved.push_back(reserved);
  return TRUE;
}
BOOL WINAPI fakePowerState(BOOL suspend, BOOL force) {
  seen.powerStates.emplace_back(suspend, force);
  return seen.powerResult;
}
EXECUTION_STATE WINAPI fakeExecutionState(EXECUTION_STATE state) {
  seen.executionStates.push_back(state);
  return ES_CONTINUOUS;
}
DWORD WINAPI fakeLastError() {
  return seen.lastError;
}

}  // namespace

void powerPortTests() {
  say("# the session and power port, system calls replaced");
  varnolt::win32::WinPower power;
  power.calls.openProcessToken = fakeOpenToken;
  power.calls.lookupPrivilegeValue = fakeLookup;
  power.calls.adjustTokenPrivileges = fakeAdjust;
  power.calls.exitWindowsEx = fakeExit;
  power.calls.setSystemPowerState = fakePowerState;
  power.calls.getLastError = fakeLastError;
  power.calls.setThreadExecutionState = fakeExecutionState;

  power.enableShutdownPrivilege();
  check(seen.tokenAccess == 0x28, "the token is opened with TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY",
        std::to_string(seen.tokenAccess));
  check(seen.systemNameNull && seen.privilege == "SeShutdownPrivilege",
        "SeShutdownPrivilege is looked up on the local system", seen.privilege);
  check(!seen.disableAll && seen.count == 1 && seen.attributes == SE_PRIVILEGE_ENABLED &&
            seen.bufferLength == 16 && seen.previousAsked,
        "exactly that privilege is enabled, the previous state asked into 16 bytes",
        std::to_string(seen.bufferLength));

  using varnolt::platform::ExitKind;
  for (ExitKind k : {ExitKind::LogOff, ExitKind::Reboot, ExitKind::PowerOff}) power.exitWindows(k);
  check(seen.exitFlags == std::vector<UINT>{0, 2, 8} &&
            seen.exitReserved == std::vector<DWORD>{0, 0, 0},
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
