// default.ini reader. Two inputs in one: the bytes as a file found beside the program,
// and, through a data provider, the values of a file the program itself writes.
//
// Properties:
//  - any file: the recording list is emptied; Label2 and Text4 hold their design text
//    or one of the file's lines; the check-box couplings are in a state Check1 allows;
//    what is written next is the 13 pairs in order with True/False and 0/1/2 values,
//    and reading and writing that again gives the same bytes unless a value ends in "|"
//    (the writer drops one bar per write);
//  - a file the program wrote from values that survive a write (no line break, not
//    empty, not a key line, no final "|"): read into a new window it restores every
//    control, and written again it gives the same bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>

#include "fuzz_world.hpp"

namespace varnolt::fuzz {
namespace {

constexpr const char* kIni = "C:\\Varnolt\\default.ini";
const std::array<std::string, 13> kKeys = {
    "/Label2.Caption",   "/text4.text",       "/Option1(0).Value", "/Option1(1).Value",
    "/Option1(2).Value", "/Option1(3).Value", "/Option1(4).Value", "/Option1(5).Value",
    "/Option1(6).Value", "/Option1(7).Value", "/Option1(8).Value", "/Check1.Value",
    "/Check2.Value"};

bool isKey(std::string_view line) {
  return std::find(kKeys.begin(), kKeys.end(), line) != kKeys.end();
}

struct Values {
  std::string label2, text4;
  int option = -1;
  int check1 = 0, check2 = 0;
  bool operator==(const Values&) const = default;
};

Values valuesOf(const Form1& f) {
  return {f.Label2.caption(), f.Text4.text(), f.Option1.selected(), f.Check1.value(),
          f.Check2.value()};
}

std::string describe(const Values& v) {
  return "Label2=" + show(v.label2) + " Text4=" + show(v.text4) +
         " option=" + std::to_string(v.option) + " Check1=" + std::to_string(v.check1) +
         " Check2=" + std::to_string(v.check2);
}

// The settings controls back at their design values, through the same setters (and
// couplings) a user's changes go through.
Form1& designSettings(FuzzWorld& w) {
  Form1& f = w.window();
  f.Check1.setValue(0);
  f.Check3.setValue(0);
  f.Check2.setValue(0);
  f.Check4.setValue(0);
  f.Label2.setCaption(kNotRegistered);
  f.Text4.setText(kNotSet);
  f.Option1[5].setValue(true);
  FUZZ_CHECK(
      f.Check3.value() == 0 && !f.Check3.enabled() && f.Check2.enabled() && f.ListView10.enabled(),
      "the couplings must come back to their design state");
  w.events.clear();
  return f;
}

void checkCouplings(const Form1& f) {
  if (f.Check1.value() == 1) {
    FUZZ_CHECK(f.Check3.enabled() && !f.Check2.enabled() && !f.ListView10.enabled(),
               "Check1 on must enable Check3 and disable Check2 and the conversion list");
  } else {
    FUZZ_CHECK(!f.Check3.enabled() && f.Check2.enabled() && f.ListView10.enabled() &&
                   f.Check3.value() == 0,
               "Check1 off must leave Check3 off and disabled, Check2 and the list enabled");
  }
}

// The written file, checked line by line against the fixed layout.
void checkLayout(std::string_view text) {
  const auto lines = text_rules::split(text, "\r\n");
  FUZZ_CHECK(
      lines.size() >= 28 && lines[lines.size() - 1].empty() && lines[lines.size() - 2].empty(),
      "the file must end with CR LF CR LF: " + show(text));
  // Values hold no line break of their own when they come from a read file, so the
  // layout is exact: 13 pairs, the empty line, nothing after it.
  FUZZ_CHECK(lines.size() == 28, "13 pairs and one empty line expected: " + show(text));
  int trues = 0;
  for (std::size_t k = 0; k < kKeys.size(); ++k) {
    FUZZ_CHECK(lines[2 * k] == kKeys[k], "key " + kKeys[k] + " out of place: " + show(text));
    const std::string& v = lines[2 * k + 1];
    if (k >= 2 && k <= 10) {
      FUZZ_CHECK(v == "True" || v == "False", "option value " + show(v));
      trues += v == "True";
    } else if (k >= 11) {
      FUZZ_CHECK(v == "0" || v == "1" || v == "2", "check value " + show(v));
    }
  }
  FUZZ_CHECK(trues <= 1, "more than one end-of-work choice stored: " + show(text));
}

bool endsWithBar(std::string_view v) {
  return !v.empty() && v.back() == '|';
}

void anyFile(FuzzWorld& w, std::string_view bytes) {
  Form1& f = designSettings(w);
  f.ListView1.add();
  w.writeHost(w.host("c/Varnolt/default.ini"), bytes);
  f.KankyouInPut(kIni);
  FUZZ_CHECK(f.ListView1.count() == 0, "the recording list must be emptied");
  FUZZ_CHECK(w.events.empty(), "reading the settings shows nothing");
  const auto lines = text_rules::textLines(w.fromAnsi(bytes));
  auto fromFile = [&](const std::string& value, const char* design) {
    return value == design || std::find(lines.begin(), lines.end(), value) != lines.end();
  };
  FUZZ_CHECK(fromFile(f.Label2.caption(), kNotRegistered), "Label2=" + show(f.Label2.caption()));
  FUZZ_CHECK(fromFile(f.Text4.text(), kNotSet), "Text4=" + show(f.Text4.text()));
  checkCouplings(f);
  const Values first = valuesOf(f);

  f.KankyouOutPut(kIni);
  const std::string written = w.readHost(w.host("c/Varnolt/default.ini"));
  checkLayout(w.fromAnsi(written));

  Form1& g = designSettings(w);
  g.KankyouInPut(kIni);
  checkCouplings(g);
  g.KankyouOutPut(kIni);
  const std::string again = w.readHost(w.host("c/Varnolt/default.ini"));
  if (!endsWithBar(first.label2) && !endsWithBar(first.text4)) {
    FUZZ_CHECK(valuesOf(g) == first, describe(first) + " came back as " + describe(valuesOf(g)));
    FUZZ_CHECK(again == written, "rewritten file differs:\n" + show(written) + "\n" + show(again));
  }
}

void programsFile(FuzzWorld& w, FuzzedDataProvider& in) {
  Form1& f = designSettings(w);
  f.Label2.setCaption(w.fromAnsi(in.ConsumeRandomLengthString(300)));
  f.Text4.setText(w.fromAnsi(in.ConsumeRandomLengthString(300)));
  const int option = in.ConsumeIntegralInRange(-1, 8);
  if (option >= 0)
    f.Option1[static_cast<std::size_t>(option)].setValue(true);
  else
    f.Option1[static_cast<std::size_t>(f.Option1.selected())].setValue(false);
  f.Check1.setValue(in.ConsumeIntegralInRange(0, 2));
  f.Check2.setValue(in.ConsumeIntegralInRange(0, 2));
  f.KankyouOutPut(kIni);
  const std::string written = w.readHost(w.host("c/Varnolt/default.ini"));
  const std::string text = w.fromAnsi(written);
  const auto lines = text_rules::split(text, "\r\n");
  // Values that a write does not keep as they are, by the file's own rules.
  if (lines.size() != 28) return;  // a value held a line break
  for (std::size_t k = 0; k < 2; ++k) {
    const std::string& v = lines[2 * k + 1];
    if (v.empty() || isKey(v) || endsWithBar(v) || v.find_first_of("\r\n") != std::string::npos)
      return;
  }
  const Values stored{lines[1], lines[3], option, f.Check1.value(), f.Check2.value()};

  Form1& g = designSettings(w);
  g.KankyouInPut(kIni);
  FUZZ_CHECK(valuesOf(g) == stored, describe(stored) + " came back as " + describe(valuesOf(g)));
  checkCouplings(g);
  g.KankyouOutPut(kIni);
  const std::string again = w.readHost(w.host("c/Varnolt/default.ini"));
  FUZZ_CHECK(again == written, "rewritten file differs:\n" + show(written) + "\n" + show(again));
}

}  // namespace
}  // namespace varnolt::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace varnolt::fuzz;
  FuzzWorld& w = theWorld();
  anyFile(w, bytesOf(data, size));
  FuzzedDataProvider in(data, size);
  programsFile(w, in);
  return 0;
}
