// log.ini reader. The input is a log.ini found beside the program; two runs follow it,
// each loading the file, logging its start line and writing the file back.
//
// Properties:
//  - every line of the input comes back in order, each read up to its own line end in
//    the file's bytes; the program adds only its start line and the empty line that
//    parts the runs;
//  - a file of well-formed lines ended by CR LF is kept byte for byte at the end of the
//    written file;
//  - a second run keeps the first run's file the same way.
#include "fuzz_world.hpp"

namespace varnolt::fuzz {
namespace {

constexpr const char* kLog = "C:\\Varnolt\\log.ini";

// Lines of ANSI bytes: cut at the line ends in the bytes, then each converted.
std::vector<std::string> byteLines(FuzzWorld& w, std::string_view bytes) {
  std::vector<std::string> lines;
  for (const std::string& l : text_rules::textLines(bytes)) lines.push_back(w.fromAnsi(l));
  return lines;
}

std::string joinShown(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) s += "[" + show(l) + "]";
  return s;
}

// One run: start with an empty box, load, log the start, write; returns the file.
std::string oneRun(FuzzWorld& w, std::string_view before) {
  w.writeHost(w.host("c/Varnolt/log.ini"), before);
  Form1& f = w.window();
  f.Text5.setText("");  // the box is empty at start-up
  f.logInPut(kLog);
  f.logAdd("Varnolt起動");
  f.logOutPut(kLog);
  const std::string after = w.readHost(w.host("c/Varnolt/log.ini"));

  const std::string startLine = w.world->regional.shortDate(w.world->clock.now()) + "   " +
                                w.world->regional.longTime(w.world->clock.now()) + "   Varnolt起動";
  std::vector<std::string> expected = {startLine, ""};
  for (auto& l : byteLines(w, before)) expected.push_back(std::move(l));
  const auto got = text_rules::textLines(w.fromAnsi(after));
  FUZZ_CHECK(got == expected, "lines " + joinShown(got) + "\nexpected " + joinShown(expected));

  // Canonical CP932 with CR LF line ends comes back unchanged after the added lines.
  const bool crlfOnly = [&] {
    for (std::size_t i = 0; i < before.size(); ++i) {
      if (before[i] == '\n' && (i == 0 || before[i - 1] != '\r')) return false;
      if (before[i] == '\r' && (i + 1 == before.size() || before[i + 1] != '\n')) return false;
    }
    return before.empty() || before.ends_with("\r\n");
  }();
  if (crlfOnly && w.toAnsi(w.fromAnsi(before)) == before) {
    const std::string head = w.toAnsi(startLine) + "\r\n\r\n";
    FUZZ_CHECK(after == head + std::string(before),
               "written " + show(after) + "\nexpected " + show(head + std::string(before)));
  }
  return after;
}

}  // namespace
}  // namespace varnolt::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace varnolt::fuzz;
  FuzzWorld& w = theWorld();
  const std::string first = oneRun(w, bytesOf(data, size));
  oneRun(w, first);
  return 0;
}
