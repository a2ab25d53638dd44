// The scenario reader: a mistake in a scenario line is reported as the scenario's
// (exit 2, with its line), never as a failure of the program (exit 3).
#include <fstream>
#include <sstream>

#include "fixture.hpp"
#include "simrun/scenario.hpp"

namespace varnolt::testing {
namespace {

struct Outcome {
  int code;
  std::string out, err;
};

Outcome runScenario(const std::string& text) {
  TempDir dir;
  std::ostringstream out, err;
  simrun::Runner runner({dir.path(), {2026, 12, 7, 21, 5, 33, 0, 1}}, out);
  const int code = runner.run(text, "t.scn", err);
  return {code, out.str(), err.str()};
}

TEST(RunnerTest, MalformedArgumentsAreScenarioErrorsOnTheirLine) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"say one\ntab x\n", "t.scn:2: tab K\n"},
      {"wait 99999999999999999999\n", "t.scn:1: wait MS\n"},
      {"wait -5\n", "t.scn:1: wait takes 0 to 10^15 milliseconds\n"},
      {"drive C: free lots\n", "t.scn:1: drive X: [free BYTES]\n"},
      {"file C:\\a.bin 99999999999999999999999\n", "t.scn:1: file PATH BYTES\n"},
      {"power fail 4294967296\n", "t.scn:1: power fail CODE\n"},
      {"attrib C:\\a.bin 4294967296\n", "t.scn:1: attrib PATH N\n"},
      {"start\ncheck ListView1 99999999999999999999 on\n", "t.scn:2: check NAME ROW on|off\n"},
      {"start\nselect ListView1 1x\n", "t.scn:2: select NAME ROW...\n"},
  };
  for (const auto& [text, err] : cases) {
    const Outcome o = runScenario(text);
    EXPECT_EQ(o.code, 2) << text;
    EXPECT_EQ(o.err, err) << text;
  }
}

TEST(RunnerTest, FailedWorldSetUpIsAScenarioError) {
  Outcome o = runScenario("write Q:\\x.txt hello\n");
  EXPECT_EQ(o.code, 2);
  EXPECT_EQ(o.err.rfind("t.scn:1: cannot write Q:\\x.txt: ", 0), 0u) << o.err;
  o = runScenario("mkdir C:\\d\nwrite C:\\d text\n");
  EXPECT_EQ(o.code, 2);
  EXPECT_EQ(o.err.rfind("t.scn:2: cannot write C:\\d: ", 0), 0u) << o.err;
  o = runScenario("readonly C:\\none.txt on\n");
  EXPECT_EQ(o.code, 2);
  EXPECT_EQ(o.err, "t.scn:1: no file or folder C:\\none.txt\n");
}

TEST(RunnerTest, LinesOfOtherWhiteSpaceAreBlank) {
  const Outcome o = runScenario("\r\r\n\f\n \v \n\t\r\nsay done\n");
  EXPECT_EQ(o.code, 0) << o.err;
  EXPECT_EQ(o.out, "== done\n");
}

// The README's tables of runner commands name every verb, in the first cell of a row.
TEST(RunnerTest, ReadmeListsEveryVerb) {
  std::ifstream readme(VARNOLT_README);
  ASSERT_TRUE(readme) << VARNOLT_README;
  std::string commands, line;
  while (std::getline(readme, line))
    if (line.rfind("| `", 0) == 0) commands += line.substr(0, line.find(" | ")) + "\n";
  TempDir dir;
  std::ostringstream out;
  const simrun::Runner runner({dir.path(), {2026, 12, 7, 21, 5, 33, 0, 1}}, out);
  ASSERT_FALSE(runner.verbNames().empty());
  for (const auto& verb : runner.verbNames())
    EXPECT_TRUE(commands.find("`" + verb + " ") != std::string::npos ||
                commands.find("`" + verb + "`") != std::string::npos)
        << verb;
}

}  // namespace
}  // namespace varnolt::testing
