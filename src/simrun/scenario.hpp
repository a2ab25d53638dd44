// The headless runner: reads a scenario, one command per line, and acts on the
// simulated world and the main window as a user would. Events go to `out`.
#pragma once

#include <charconv>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/form1.hpp"
#include "platform/sim/sim_world.hpp"

namespace varnolt::simrun {

// A scenario line that cannot be carried out; exit code 2.
class ScenarioError : public std::runtime_error {
 public:
  ScenarioError(int line, const std::string& message) : std::runtime_error(message), line(line) {}
  int line;
};

struct Options {
  std::filesystem::path root;
  platform::DateTime now;
};

class Runner;
// A verb: the words after the verb, and the rest of the line after the verb and one space.
using Verb =
    std::function<void(Runner&, const std::vector<std::string>& words, const std::string& rest)>;
// A verb that keeps no state of its own, in a table of verbs.
struct VerbEntry {
  const char* name;
  void (*run)(Runner&, const std::vector<std::string>& words, const std::string& rest);
};

class Runner {
 public:
  Runner(const Options& options, std::ostream& out);
  ~Runner();

  // Runs a whole scenario text; `name` is used in error messages. Returns the exit code:
  // 0 done, 2 scenario error (reported on `err`), 3 unhandled run-time error in the program,
  // 4 the scenario ended while a handler still waited in the message loop.
  int run(const std::string& text, const std::string& name, std::ostream& err);

  sim::SimWorld& world() { return *world_; }
  // The host folder that holds the simulated drives.
  const std::filesystem::path& root() const { return options_.root; }
  // The main window; a ScenarioError when the scenario has not started it.
  Form1& form();
  bool started() const { return form_ != nullptr; }
  void emit(std::string_view line);
  [[noreturn]] void fail(const std::string& message) const;
  void addVerb(const std::string& name, Verb verb) { verbs_[name] = std::move(verb); }
  void addVerbs(std::span<const VerbEntry> table) {
    for (const auto& v : table) addVerb(v.name, v.run);
  }
  // Every verb a scenario can use, in alphabetical order.
  std::vector<std::string> verbNames() const;
  // Lets the program handle what the user's action posted.
  void settle();
  // The program ends at once, between two of its handlers: no handler runs and nothing
  // is written (lifecycle_verbs.cpp).
  void endProgram(const std::string& how);

 private:
  void execute(const std::string& line);
  // Runs the next line, as the user acts while a handler spins in the message loop.
  void userTurn();
  // Runs a user's action on a control as the handler `handler`.
  template <typename F>
  void asHandler(const std::string& handler, F action);
  struct WindowVerbs;  // the verbs about the window, in scenario.cpp
  void modalLoop(controls::ModalForm& form);
  controls::Control& control(const std::string& name);
  controls::Control& controlOf(controls::ModalForm* modal, const std::string& name);
  void dump(controls::Control& c);
  void userClick(controls::Control& c);
  bool clickOnce(controls::Control& c);

  Options options_;
  std::ostream& out_;
  std::unique_ptr<sim::SimWorld> world_;
  std::unique_ptr<Form1> form_;
  std::map<std::string, Verb> verbs_;
  std::vector<std::string> lines_;
  std::size_t next_ = 0;  // index of the next line to run
  int currentLine_ = 0;
  std::vector<controls::ModalForm*> modals_;
  // The pop-up menu shown by the last command, open for the next command only, and the
  // one open while the current command runs.
  std::string popupShown_, popupOpen_;
  // The user waits until this virtual time before acting again.
  std::optional<std::int64_t> waitUntil_;
  // Set while a line runs as the user's turn inside a spinning handler.
  bool inSpinTurn_ = false;
};

// A whole number in decimal digits (with a sign only where T is signed) that fits T;
// any other word is the scenario's mistake and fails the line with `usage`.
template <typename T>
T numberWord(const Runner& r, const std::string& word, const std::string& usage) {
  T value{};
  const char* end = word.data() + word.size();
  auto [stop, ec] = std::from_chars(word.data(), end, value);
  if (word.empty() || ec != std::errc() || stop != end) r.fail(usage);
  return value;
}

// Registers the verbs that drive the stand-in controller (controller_verbs.cpp).
void registerControllerVerbs(Runner& runner);
// Registers "kill" and "powercut".
void registerLifecycleVerbs(Runner& runner);
// Registers the verbs that set up and look at the world around the window: files,
// drives, registry, power, the clock, and headings in the output (world_verbs.cpp).
void registerWorldVerbs(Runner& runner);
// Registers "task", the simulated Task Scheduler (task_verbs.cpp).
void registerTaskVerbs(Runner& runner);

// "YYYY/MM/DD HH:MM:SS"; false on a malformed text.
bool parseDateTime(const std::string& text, platform::DateTime& out);
platform::DateTime hostNow();

}  // namespace varnolt::simrun
