// Session and power requests.
#include "platform/win32/win_platform.hpp"

namespace varnolt::win32 {

void WinPower::enableShutdownPrivilege() {
  // Outcomes are not examined: a request made without the privilege fails on its own
  // and reports that itself.
  UniqueHandle token;
  calls.openProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put());
  TOKEN_PRIVILEGES wanted{};
  calls.lookupPrivilegeValue(nullptr, "SeShutdownPrivilege", &wanted.Privileges[0].Luid);
  wanted.PrivilegeCount = 1;
  wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  TOKEN_PRIVILEGES previous{};
  DWORD returned = 0;
  calls.adjustTokenPrivileges(token.get(), FALSE, &wanted, sizeof previous, &previous, &returned);
}

platform::PowerResult WinPower::exitWindows(platform::ExitKind kind) {
  // Never EWX_FORCE: programs with unsaved work may still ask their user.
  UINT flags = EWX_LOGOFF;
  if (kind == platform::ExitKind::Reboot) flags = EWX_REBOOT;
  if (kind == platform::ExitKind::PowerOff) flags = EWX_POWEROFF;
  const bool ok = calls.exitWindowsEx(flags, 0) != FALSE;
  return {ok, ok ? 0u : static_cast<std::uint32_t>(calls.getLastError())};
}

platform::PowerResult WinPower::setSystemPowerState(bool suspend) {
  const bool ok = calls.setSystemPowerState(suspend ? TRUE : FALSE, FALSE) != FALSE;
  // A success leaves whatever an earlier call set as the last error; only a failure's
  // value means anything.
  return {ok, ok ? 0u : static_cast<std::uint32_t>(calls.getLastError())};
}

void WinPower::keepAwake(bool on) {
  // ES_CONTINUOUS keeps the state until the next call; the display is left alone.
  calls.setThreadExecutionState(on ? ES_CONTINUOUS | ES_SYSTEM_REQUIRED : ES_CONTINUOUS);
}

}  // namespace varnolt::win32
