// The scenario reader of the headless runner: the input is a scenario file, run in a
// new world in a scratch folder.
//
// Properties:
//  - the run ends with one of the documented exit codes (0, 2, 3, 4);
//  - a scenario error names a line of the scenario: "NAME:LINE: message", 1 <= LINE <=
//    the number of lines;
//  - exit code 3 (the program failed) never comes from a line that only sets up the
//    world or the answers, and never from the runner's own reading of a number;
//  - a scenario of blank lines and comments does nothing.
#include <regex>
#include <set>
#include <sstream>

#include "fuzz_world.hpp"
#include "simrun/scenario.hpp"

namespace varnolt::fuzz {
namespace {

// Numbers that would make one input run for minutes (hours of virtual time with the
// timers on, a million generated recordings) are left out; numbers too large for any
// integer stay in, their reading is under test.
bool tooSlow(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) {
      ++i;
      continue;
    }
    std::size_t j = i;
    while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) ++j;
    const std::size_t digits = j - i;
    if (digits >= 8 && digits <= 19) return true;
    if (digits >= 4 && text.substr(0, i).rfind("recordings") != std::string_view::npos && i >= 11 &&
        text.substr(i - 11, 11) == "recordings ")
      return true;
    i = j;
  }
  return false;
}

bool setUpOnly(const std::string& verb) {
  static const std::set<std::string> verbs = {"answer", "openfile", "browse",   "write",
                                              "mkdir",  "file",     "attrib",   "readonly",
                                              "show",   "drive",    "registry", "say"};
  return verbs.count(verb) > 0;
}

std::vector<std::string> linesOf(std::string_view text) {
  std::vector<std::string> lines;
  std::istringstream in{std::string(text)};
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

std::string verbOf(const std::string& line) {
  std::istringstream in(line);
  std::string verb;
  in >> verb;
  return verb;
}

}  // namespace
}  // namespace varnolt::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace varnolt;
  using namespace varnolt::fuzz;
  const std::string text(bytesOf(data, size));
  if (tooSlow(text)) return -1;
  static ScratchDir scratch;
  const std::filesystem::path root = scratch.path() / "w";
  std::error_code ec;
  std::filesystem::remove_all(root, ec);
  std::ostringstream out, err;
  int code = 0;
  {
    simrun::Runner runner({root, kStart}, out);
    code = runner.run(text, "f.scn", err);
  }
  const auto lines = linesOf(text);
  const std::string report = err.str();
  FUZZ_CHECK(code == 0 || code == 2 || code == 3 || code == 4, "exit code " + std::to_string(code));
  if (code == 0) FUZZ_CHECK(report.empty(), "a finished run reports " + show(report));
  static const std::regex located("f\\.scn:([0-9]+): [^\n]*\n");
  std::smatch m;
  if (code == 2 || code == 3) {
    FUZZ_CHECK(std::regex_match(report, m, located), "report " + show(report));
    const std::size_t line = std::stoul(m[1]);
    FUZZ_CHECK(line >= 1 && line <= lines.size(),
               "line " + m[1].str() + " of " + std::to_string(lines.size()));
    if (code == 3) {
      const std::string verb = verbOf(lines[line - 1]);
      FUZZ_CHECK(!setUpOnly(verb), "a set-up line failed as the program: " + show(report));
      FUZZ_CHECK(report.find("unhandled run-time error") != std::string::npos,
                 "exit 3 without a run-time error of the program: " + show(report));
    }
  }
  bool idle = true;
  for (const auto& l : lines) {
    const auto p = l.find_first_not_of(" \t\r");
    idle = idle && (p == std::string::npos || l[p] == '#');
  }
  if (idle)
    FUZZ_CHECK(code == 0 && out.str().empty(), "blank lines and comments did " + show(out.str()));
  return 0;
}
