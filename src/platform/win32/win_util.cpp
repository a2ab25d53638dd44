#include "platform/win32/win_util.hpp"

namespace varnolt::win32 {

namespace {

std::wstring toWide(std::string_view bytes, unsigned codePage, DWORD flags) {
  if (bytes.empty()) return {};
  const int n = ::MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()),
                                      nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), w.data(), n);
  return w;
}

std::string toBytes(std::wstring_view w, unsigned codePage) {
  if (w.empty()) return {};
  const int n = ::WideCharToMultiByte(codePage, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                      nullptr, nullptr);
  std::string s(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(codePage, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                        nullptr);
  return s;
}

}  // namespace

std::wstring widen(std::string_view utf8) {
  return toWide(utf8, CP_UTF8, 0);
}
std::string narrow(std::wstring_view utf16) {
  return toBytes(utf16, CP_UTF8);
}
std::string toCodePage(std::wstring_view utf16, unsigned codePage) {
  return toBytes(utf16, codePage);
}
std::wstring fromCodePage(std::string_view bytes, unsigned codePage) {
  return toWide(bytes, codePage, 0);
}

}  // namespace varnolt::win32
