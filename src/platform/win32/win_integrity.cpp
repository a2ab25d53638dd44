// Whether the program owning a window refuses our messages: its token's integrity level
// against ours, and a harmless message sent to it.
#include "platform/integrity.hpp"
#include "platform/win32/win_platform.hpp"

namespace varnolt::win32 {

namespace {

// The mandatory-label level of a process token; nullopt when it cannot be read.
std::optional<std::uint32_t> integrityOf(HANDLE process) {
  UniqueHandle token;
  if (!::OpenProcessToken(process, TOKEN_QUERY, token.put())) return std::nullopt;
  DWORD size = 0;
  ::GetTokenInformation(token.get(), TokenIntegrityLevel, nullptr, 0, &size);
  if (size == 0) return std::nullopt;
  std::vector<unsigned char> buffer(size);
  if (!::GetTokenInformation(token.get(), TokenIntegrityLevel, buffer.data(), size, &size))
    return std::nullopt;
  const auto* label = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(buffer.data());
  const PUCHAR count = ::GetSidSubAuthorityCount(label->Label.Sid);
  if (!count || *count == 0) return std::nullopt;
  return static_cast<std::uint32_t>(*::GetSidSubAuthority(label->Label.Sid, *count - 1u));
}

}  // namespace

bool WinWindowSystem::refusesMessages(Hwnd h) {
  platform::IntegrityProbe probe;
  DWORD pid = 0;
  if (::GetWindowThreadProcessId(toHwnd(h), &pid) != 0 && pid != 0) {
    UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (process) probe.theirs = integrityOf(process.get());
  }
  probe.ours = integrityOf(::GetCurrentProcess());
  DWORD_PTR result = 0;
  ::SetLastError(0);
  probe.sendAnswered = ::SendMessageTimeoutW(toHwnd(h), WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG,
                                             1000, &result) != 0;
  if (!probe.sendAnswered) probe.sendError = ::GetLastError();
  return platform::refusesMessages(probe);
}

}  // namespace varnolt::win32
