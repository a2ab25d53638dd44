// The size retrieval: the controller's details text, in its code page, is the input;
// every size line of it is read into column 7 of the recording list.
//
// Properties, with a details text that stays the same while the selection walks:
//  - without a "FileSize :" line nothing is written and no key is sent;
//  - otherwise, unless the walk gives up, one down key per size line and row, and each
//    row holds the last size line's value without surrounding spaces;
//  - a value read in GB is a finite decimal number; a well-formed line
//    "FileSize : <digits> MB|GB" gives the digits, or their value times 1000;
//  - giving up checks Check4 and tells the user once, on screen and in the log; a text
//    without any "G" in its size lines never gives up (only the GB reading can fail).
#include <cmath>

#include "automation/window_list.hpp"
#include "fuzz_world.hpp"

namespace varnolt::fuzz {
namespace {

constexpr std::size_t kRows = 3;
constexpr const char* kKey = "FileSize :";
constexpr const char* kGiveUp =
    "RCの仕様によりサイズ取得ができないようです。以後サイズ取得は行いません";

struct Controller {
  Hwnd main = 0, list = 0, details = 0;
};

Controller& controller(FuzzWorld& w) {
  static Controller c = [&] {
    auto& desktop = *w.world->desktop;
    const std::uint32_t pid = desktop.createProcess().pid;
    Controller made;
    made.main = controllerWindow(desktop, pid);
    made.list = desktop.createWindow(pid, made.main, "ListBox", "").handle;
    made.details = desktop.createWindow(pid, made.main, "Static", "").handle;
    desktop.window(made.list)->resetItems({"1||a|x|y|z", "2||b|x|y|z", "3||c|x|y|z"});
    return made;
  }();
  return c;
}

// "FileSize : <digits>[.<digits>] MB|GB" with any spaces around the number and unit.
bool wellFormed(std::string_view line, std::string& digits, bool& gb) {
  const std::string_view key = "FileSize :";
  if (!line.starts_with(key)) return false;
  std::size_t i = key.size();
  auto spaces = [&] {
    while (i < line.size() && line[i] == ' ') ++i;
  };
  auto run = [&] {
    const std::size_t b = i;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9') ++i;
    return i - b;
  };
  spaces();
  const std::size_t start = i;
  const std::size_t whole = run();
  if (whole == 0 || whole > 30) return false;
  if (i < line.size() && line[i] == '.') {
    ++i;
    const std::size_t fraction = run();
    if (fraction == 0 || fraction > 30) return false;
  }
  digits = std::string(line.substr(start, i - start));
  spaces();
  if (line.substr(i, 2) != "MB" && line.substr(i, 2) != "GB") return false;
  gb = line[i] == 'G';
  i += 2;
  spaces();
  return i == line.size();
}

}  // namespace
}  // namespace varnolt::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace varnolt;
  using namespace varnolt::fuzz;
  FuzzWorld& w = theWorld();
  Controller& c = controller(w);
  const std::string details = w.fromAnsi(bytesOf(data, size));
  auto& desktop = *w.world->desktop;
  desktop.window(c.details)->text = details;
  desktop.window(c.list)->received.clear();

  Form1& f = w.window();
  f.ListView1.clear();
  f.Check4.setValue(0);
  f.Text5.setText("");
  for (std::size_t r = 1; r <= kRows; ++r) {
    f.ListView1.addRow({}, {"1", "", "t", "d", "l", "b", "keep"});
  }
  // The controller found at start-up, whose child the details text is.
  f.StatusBar1.setPanel(4, handleText(c.main));
  f.rc_recdata.setText(handleText(c.details));
  f.rc_rec_list.setText(handleText(c.list));
  f.RecSize_Get();

  std::vector<std::string> sizeLines;
  for (const auto& line : text_rules::split(details, "\r\n"))
    if (line.find(kKey) != std::string::npos) sizeLines.push_back(line);
  std::size_t downs = 0;
  for (const auto& m : desktop.window(c.list)->received) downs += m == "down";

  const bool gaveUp = f.Check4.value() == 1;
  if (gaveUp) {
    FUZZ_CHECK(w.countEvents("msgbox ") == 1 && w.events.front().ends_with(kGiveUp) &&
                   f.Text5.text().find(kGiveUp) != std::string::npos,
               "giving up is told once, on screen and in the log");
    bool anyG = false;
    for (const auto& l : sizeLines) anyG = anyG || l.find('G') != std::string::npos;
    FUZZ_CHECK(anyG, "gave up on sizes in MB: " + show(details));
    return 0;
  }
  FUZZ_CHECK(w.events.empty(), "a walk that did not give up shows nothing");
  FUZZ_CHECK(
      downs == kRows * sizeLines.size(),
      std::to_string(downs) + " down keys for " + std::to_string(sizeLines.size()) + " size lines");
  for (std::size_t r = 1; r <= kRows; ++r) {
    const std::string& value = f.ListView1.item(r).subItem(7);
    if (sizeLines.empty()) {
      FUZZ_CHECK(value == "keep", "no size line, yet column 7 is " + show(value));
      continue;
    }
    FUZZ_CHECK(value.empty() || (value.front() != ' ' && value.back() != ' '),
               "untrimmed " + show(value));
    const std::string& last = sizeLines.back();
    const std::string rest =
        text_rules::replaceAll(text_rules::replaceAll(last, kKey, ""), "MB", "");
    if (rest.find("GB") != std::string::npos) {
      double v = 0;
      try {
        v = text_rules::toDouble(value);
      } catch (const RunError&) {
        FUZZ_CHECK(false, "a size read in GB is not a number: " + show(value));
      }
      FUZZ_CHECK(std::isfinite(v), "a size read in GB is not finite: " + show(value));
    }
    std::string digits;
    bool gb = false;
    if (wellFormed(last, digits, gb)) {
      if (!gb) {
        FUZZ_CHECK(value == digits, show(last) + " gave " + show(value));
      } else {
        const double expected = std::strtod(digits.c_str(), nullptr) * 1000;
        const double got = text_rules::toDouble(value);
        FUZZ_CHECK(std::fabs(got - expected) <= 1e-13 * std::fabs(expected),
                   show(last) + " gave " + show(value));
      }
    }
  }
  return 0;
}
