// Starting programs and opening documents.
#include "platform/win32/win_platform.hpp"

#include <shellapi.h>

namespace varnolt::win32 {

std::uint32_t WinShell::startProgram(std::string_view path) {
  std::wstring w = widen(path);
  DWORD a = ::GetFileAttributesW(w.c_str());
  if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY))
    throw RunError(run_error::kFileNotFound);
  std::wstring command = L"\"" + w + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(w.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi))
    return 0;
  UniqueHandle process(pi.hProcess), thread(pi.hThread);
  return pi.dwProcessId;
}

void WinShell::openDocument(Hwnd owner, std::string_view path) {
  static const auto execute =
      lateBound<decltype(&::ShellExecuteW)>(L"shell32.dll", "ShellExecuteW");
  if (execute)
    execute(owner ? toHwnd(owner) : nullptr, nullptr, widen(path).c_str(), nullptr, nullptr,
            SW_SHOWNORMAL);
}

}  // namespace varnolt::win32
