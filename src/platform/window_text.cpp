// Texts of other programs' windows as an ANSI program reads them, the same on every
// system: measured and cut in the code page, over the port's system calls.
#include "platform/platform.hpp"

namespace varnolt::platform {

int WindowSystem::getTextLength(Hwnd h) {
  const auto text = wholeText(h);
  return text ? static_cast<int>(codec_.toAnsi(*text).size()) : 0;
}

std::string WindowSystem::getText(Hwnd h, int bufferBytes) {
  // The message is sent whatever the buffer: the window answers it all the same.
  const auto text = wholeText(h);
  if (!text || bufferBytes <= 0) return {};
  std::string ansi = codec_.toAnsi(*text);
  const std::size_t room = static_cast<std::size_t>(bufferBytes - 1);
  if (ansi.size() > room) {
    std::size_t i = 0;
    while (i < room) {
      const std::size_t length = codec_.isLeadByte(static_cast<unsigned char>(ansi[i])) ? 2 : 1;
      if (i + length > room) break;
      i += length;
    }
    ansi.resize(i);
  }
  return codec_.fromAnsi(ansi);
}

}  // namespace varnolt::platform
