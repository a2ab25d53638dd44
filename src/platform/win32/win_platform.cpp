// Every port wired as the program's platform.
#include "platform/win32/win_platform.hpp"

#include <vector>

namespace varnolt::win32 {

std::string moduleFolder() {
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n < buf.size()) {
      std::wstring path(buf.data(), n);
      auto cut = path.find_last_of(L'\\');
      return narrow(cut == std::wstring::npos ? path : path.substr(0, cut));
    }
    buf.resize(buf.size() * 2);
  }
}

WinPlatform::WinPlatform()
    : windows(codec), platform{clock,    regional, codec, files,          dialogs, shell,
                               registry, windows,  power, moduleFolder(), {},      &tasks} {}

}  // namespace varnolt::win32
