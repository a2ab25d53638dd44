// Reading the registry.
#include "platform/win32/win_platform.hpp"

#include <vector>

namespace varnolt::win32 {

namespace {

HKEY rootKey(platform::RegRoot root) {
  switch (root) {
    case platform::RegRoot::ClassesRoot:
      return HKEY_CLASSES_ROOT;
    case platform::RegRoot::CurrentUser:
      return HKEY_CURRENT_USER;
    case platform::RegRoot::LocalMachine:
      return HKEY_LOCAL_MACHINE;
    case platform::RegRoot::Users:
      return HKEY_USERS;
  }
  return HKEY_LOCAL_MACHINE;
}

UniqueKey openKey(platform::RegRoot root, std::string_view key) {
  UniqueKey k;
  const std::wstring w = widen(key);
  // The version dialog asks for this access first; a standard user is refused
  // write access under HKEY_LOCAL_MACHINE, so reading alone is tried next.
  constexpr REGSAM kAccess = 0x2003F;
  if (::RegOpenKeyExW(rootKey(root), w.c_str(), 0, kAccess, reinterpret_cast<PHKEY>(k.put())) ==
      ERROR_SUCCESS)
    return k;
  if (::RegOpenKeyExW(rootKey(root), w.c_str(), 0, KEY_READ, reinterpret_cast<PHKEY>(k.put())) ==
      ERROR_SUCCESS)
    return k;
  return UniqueKey();
}

}  // namespace

bool WinRegistry::keyExists(platform::RegRoot root, std::string_view key) {
  return static_cast<bool>(openKey(root, key));
}

std::optional<platform::RegValue> WinRegistry::queryValue(platform::RegRoot root,
                                                          std::string_view key,
                                                          std::string_view name) {
  UniqueKey k = openKey(root, key);
  if (!k) return std::nullopt;
  // The dialog reads values into a buffer of 1024 characters.
  std::vector<BYTE> buf(1024 * sizeof(wchar_t));
  DWORD type = 0, size = static_cast<DWORD>(buf.size());
  if (::RegQueryValueExW(k.get(), widen(name).c_str(), nullptr, &type, buf.data(), &size) !=
      ERROR_SUCCESS)
    return std::nullopt;
  platform::RegValue v;
  v.type = type;
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    // Strings are handed on in the ANSI code page, terminating NUL included.
    std::wstring_view w(reinterpret_cast<const wchar_t*>(buf.data()), size / sizeof(wchar_t));
    v.data = toCodePage(w, WinCodec::kCodePage);
  } else {
    v.data.assign(reinterpret_cast<const char*>(buf.data()), size);
  }
  return v;
}

}  // namespace varnolt::win32
