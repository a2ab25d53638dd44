// Code page 932 through iconv.
#include "platform/sim/sim_world.hpp"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace varnolt::sim {

namespace {

class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv: CP932 unavailable");
  }
  ~Iconv() { iconv_close(cd_); }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  // Converts `in`; an input sequence the target lacks becomes `replacement` and the
  // conversion goes on after `skip(in)` bytes.
  template <typename Skip>
  std::string run(std::string_view in, std::string_view replacement, Skip skip) {
    std::string out;
    char* src = const_cast<char*>(in.data());
    std::size_t left = in.size();
    char buf[4096];
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    while (left > 0) {
      char* dst = buf;
      std::size_t room = sizeof buf;
      std::size_t r = iconv(cd_, &src, &left, &dst, &room);
      out.append(buf, static_cast<std::size_t>(dst - buf));
      if (r == static_cast<std::size_t>(-1)) {
        if (errno == E2BIG) continue;
        std::size_t n = std::min(left, skip(std::string_view(src, left)));
        out.append(replacement);
        src += n;
        left -= n;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      }
    }
    return out;
  }

 private:
  iconv_t cd_;
};

// Bytes of the damaged sequence at the start of `s`: its lead byte and the continuation
// bytes that follow it. A byte that cannot continue the sequence (a line end among them)
// starts the next character and is never swallowed.
std::size_t utf8Length(std::string_view s) {
  unsigned char c = static_cast<unsigned char>(s[0]);
  std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
  std::size_t k = 1;
  while (k < std::min(n, s.size()) && (static_cast<unsigned char>(s[k]) & 0xC0) == 0x80) ++k;
  return k;
}

bool cp932Lead(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

std::size_t cp932Length(std::string_view s) {
  if (!cp932Lead(static_cast<unsigned char>(s[0])) || s.size() < 2) return 1;
  unsigned char t = static_cast<unsigned char>(s[1]);
  bool trail = (t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC);
  return trail ? 2 : 1;
}

}  // namespace

struct IconvCodec::Converters {
  Iconv toAnsi{"CP932", "UTF-8"};
  Iconv fromAnsi{"UTF-8", "CP932"};
};

IconvCodec::IconvCodec() : converters_(std::make_unique<Converters>()) {}

IconvCodec::~IconvCodec() = default;

std::string IconvCodec::toAnsi(std::string_view utf8) {
  return converters_->toAnsi.run(utf8, "?", utf8Length);
}

std::string IconvCodec::fromAnsi(std::string_view bytes) {
  // The replacement is the system's default character.
  return converters_->fromAnsi.run(bytes, "\xE3\x83\xBB", cp932Length);
}

bool IconvCodec::isLeadByte(unsigned char byte) {
  return cp932Lead(byte);
}

}  // namespace varnolt::sim
