// Code page 932 through the system's conversions.
#include "platform/win32/win_platform.hpp"

namespace varnolt::win32 {

std::string WinCodec::toAnsi(std::string_view utf8) {
  return toCodePage(widen(utf8), kCodePage);
}

std::string WinCodec::fromAnsi(std::string_view bytes) {
  return narrow(fromCodePage(bytes, kCodePage));
}

bool WinCodec::isLeadByte(unsigned char byte) {
  return ::IsDBCSLeadByteEx(kCodePage, byte) != FALSE;
}

}  // namespace varnolt::win32
