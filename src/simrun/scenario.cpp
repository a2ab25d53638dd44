#include "simrun/scenario.hpp"

#include "app/single_instance.hpp"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <sstream>
#include <utility>

#include "controls/form.hpp"
#include "platform/sim/sim_desktop.hpp"

namespace varnolt::simrun {

using namespace controls;

namespace {

std::vector<std::string> words(const std::string& s) {
  std::vector<std::string> w;
  std::istringstream in(s);
  std::string t;
  while (in >> t) w.push_back(t);
  return w;
}

const char* zeroOrOne(bool b) {
  return b ? "1" : "0";
}

}  // namespace

bool parseDateTime(const std::string& text, platform::DateTime& out) {
  int y, mo, d, h, mi, s;
  char tail;
  if (std::sscanf(text.c_str(), "%d/%d/%d %d:%d:%d%c", &y, &mo, &d, &h, &mi, &s, &tail) != 6)
    return false;
  if (mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 ||
      s > 59)
    return false;
  out = {y, mo, d, h, mi, s, 0, 0};
  return true;
}

platform::DateTime hostNow() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
          tm.tm_min,         tm.tm_sec,     0,          tm.tm_wday};
}

Runner::~Runner() = default;

void Runner::emit(std::string_view line) {
  out_ << line << '\n';
  out_.flush();
}

void Runner::fail(const std::string& message) const {
  throw ScenarioError(currentLine_, message);
}

Form1& Runner::form() {
  if (!form_) fail("the window is not started yet (use 'start')");
  if (form_->closed) fail("the window is closed");
  return *form_;
}

void Runner::settle() {
  world_->clock.pump();
}

namespace {

// The scenario ended while a handler still waited. Not derived from std::exception, so
// that no handler of the program can swallow it.
struct StillWaiting {
  std::string handler;
};

// Gives a bool back its value when the scope ends, by a scenario error too.
struct RestoreOnExit {
  bool& target;
  bool value;
  ~RestoreOnExit() { target = value; }
};

}  // namespace

void Runner::userTurn() {
  auto& clock = world_->clock;
  if (waitUntil_ && clock.ticks() < *waitUntil_) return;
  if (next_ >= lines_.size())
    throw StillWaiting{clock.handlers.empty() ? std::string("?") : clock.handlers.back()};
  currentLine_ = static_cast<int>(++next_);
  const bool outer = inSpinTurn_;
  inSpinTurn_ = true;
  const RestoreOnExit restore{inSpinTurn_, outer};
  execute(lines_[next_ - 1]);
}

template <typename F>
void Runner::asHandler(const std::string& handler, F action) {
  auto& stack = world_->clock.handlers;
  stack.push_back(handler);
  struct Pop {
    std::vector<std::string>& v;
    ~Pop() { v.pop_back(); }
  } pop{stack};
  action();
}

Control& Runner::control(const std::string& name) {
  return controlOf(modals_.empty() ? nullptr : modals_.back(), name);
}

Control& Runner::controlOf(controls::ModalForm* modal, const std::string& name) {
  Control* c = modal ? modal->find(name) : form().find(name);
  if (!c) fail("unknown control '" + name + "'");
  return *c;
}

int Runner::run(const std::string& text, const std::string& name, std::ostream& err) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines_.push_back(line);
  }
  try {
    while (next_ < lines_.size()) {
      currentLine_ = static_cast<int>(++next_);
      execute(lines_[next_ - 1]);
    }
  } catch (const ScenarioError& e) {
    err << name << ":" << e.line << ": " << e.what() << '\n';
    return 2;
  } catch (const sim::ScriptMismatch& e) {
    err << name << ":" << currentLine_ << ": " << e.message << '\n';
    return 2;
  } catch (const StillWaiting& e) {
    emit("waiting: " + e.handler);
    err << name << ": the scenario ended while " << e.handler << " waits\n";
    return 4;
  } catch (const RunError& e) {
    emit("crash " + std::to_string(e.number()) + " " + e.description());
    err << name << ":" << currentLine_ << ": unhandled run-time error " << e.number() << ": "
        << e.description() << '\n';
    return 3;
  } catch (const std::exception& e) {
    err << name << ":" << currentLine_ << ": " << e.what() << '\n';
    return 3;
  }
  return 0;
}

void Runner::execute(const std::string& raw) {
  std::string line = raw;
  if (auto first = line.find_first_not_of(" \t\r\n\v\f"); first == std::string::npos)
    return;
  else
    line = line.substr(first);
  if (line[0] == '#') return;
  auto w = words(line);
  // A line of other white space (a stray CR, a form feed) is blank too.
  if (w.empty()) return;
  // A pop-up menu stays open for one command: the click on one of its items, or
  // anything else, which dismisses it.
  popupOpen_ = std::exchange(popupShown_, std::string());
  world_->clock.resetSpin();
  std::string verb = w[0];
  w.erase(w.begin());
  std::string rest = line.size() > verb.size() ? line.substr(verb.size() + 1) : std::string();
  auto it = verbs_.find(verb);
  if (it == verbs_.end()) fail("unknown verb '" + verb + "'");
  it->second(*this, w, rest);
}

void Runner::modalLoop(controls::ModalForm& form) {
  modals_.push_back(&form);
  struct Pop {
    std::vector<controls::ModalForm*>& v;
    ~Pop() { v.pop_back(); }
  } pop{modals_};
  // The dialog's own loop runs the lines; time passes here by the scenario's waits.
  const bool outer = inSpinTurn_;
  inSpinTurn_ = false;
  const RestoreOnExit restore{inSpinTurn_, outer};
  while (!form.closed() && next_ < lines_.size()) {
    currentLine_ = static_cast<int>(++next_);
    execute(lines_[next_ - 1]);
  }
  // A scenario that ends with the dialog open closes it with its close box.
  form.close();
}

void Runner::userClick(Control& c) {
  bool done = false;
  asHandler(c.name() + "_Click", [&] { done = clickOnce(c); });
  if (!done) emit("ignored click " + c.name() + " (disabled)");
}

bool Runner::clickOnce(Control& c) {
  return controls::visit(
      c, controls::Overloaded{
             [](Button& b) { return b.click(); }, [](CheckBox& b) { return b.click(); },
             [](OptionButton& b) { return b.click(); },
             [&](MenuItem& item) {
               // Items of a menu hidden from the menu bar are reachable only through its pop-up.
               if (Control* menu = item.parent.empty() ? nullptr : form().find(item.parent);
                   menu && !menu->visible() && popupOpen_ != menu->name()) {
                 emit("ignored click " + c.name() + " (menu not shown)");
                 return true;
               }
               return item.click();
             },
             [](ProgressBar& b) {
               if (b.onMouseDown) b.onMouseDown();
               return true;
             },
             [](Label& l) {
               if (l.onMouseDown) l.onMouseDown();
               return true;
             },
             [&](Control&) -> bool { fail("'" + c.name() + "' cannot be clicked"); }});
}

void Runner::dump(Control& c) {
  const std::string& n = c.name();
  auto emitProperty = [&](const std::string& prop, const std::string& v) {
    emit(n + "." + prop + "=" + sim::escapeLine(v));
  };
  controls::visit(
      c, controls::Overloaded{[&](Button& b) {
                                emitProperty("Caption", b.caption());
                                emitProperty("Enabled", zeroOrOne(b.enabled()));
                              },
                              [&](CheckBox& b) {
                                emitProperty("Value", std::to_string(b.value()));
                                emitProperty("Enabled", zeroOrOne(b.enabled()));
                              },
                              [&](OptionButton& b) {
                                emitProperty("Value", text_rules::boolWord(b.value()));
                                emitProperty("Enabled", zeroOrOne(b.enabled()));
                                if (!b.toolTipText.empty())
                                  emitProperty("ToolTipText", b.toolTipText);
                              },
                              [&](Label& l) {
                                emitProperty("Caption", l.caption());
                                // Labels are shown nearly always: only a hidden
                                // one says so.
                                if (!l.visible()) emitProperty("Visible", "0");
                              },
                              [&](Frame& f) { emitProperty("Caption", f.caption()); },
                              [&](TextBox& t) {
                                emitProperty("Text", t.text());
                                emitProperty("Enabled", zeroOrOne(t.enabled()));
                              },
                              [&](ListView& l) {
                                emitProperty("Enabled", zeroOrOne(l.enabled()));
                                emitProperty("Count", std::to_string(l.count()));
                                for (std::size_t r = 1; r <= l.count(); ++r) {
                                  const auto& it = l.item(r);
                                  std::string row = it.text;
                                  for (const auto& s : it.subItems) row += "|" + s;
                                  std::string k = "Item(" + std::to_string(r) + ")";
                                  emitProperty(k, row);
                                  if (l.checkBoxes())
                                    emitProperty(k + ".Checked", zeroOrOne(it.checked));
                                  if (it.downloaded) emitProperty(k + ".Downloaded", "True");
                                  emitProperty(k + ".Selected", zeroOrOne(it.selected));
                                }
                              },
                              [&](controls::Timer& t) {
                                emitProperty("Enabled", zeroOrOne(t.enabled()));
                                emitProperty("Interval", std::to_string(t.interval()));
                              },
                              [&](Slider& s) {
                                emitProperty("Min", std::to_string(s.min()));
                                emitProperty("Max", std::to_string(s.max()));
                                emitProperty("TickFrequency", std::to_string(s.tickFrequency()));
                                emitProperty("Value", std::to_string(s.value()));
                              },
                              [&](ProgressBar& b) {
                                emitProperty("Max", text_rules::numberText(b.max()));
                                emitProperty("Value", text_rules::numberText(b.value()));
                              },
                              [&](StatusBar& s) {
                                for (std::size_t i = 1; i <= s.panelCount(); ++i)
                                  emitProperty("Panels(" + std::to_string(i) + ")", s.panel(i));
                              },
                              [&](TabControl& t) { emitProperty("Tab", std::to_string(t.tab())); },
                              [&](MenuItem& m) {
                                emitProperty("Caption", m.caption());
                                emitProperty("Enabled", zeroOrOne(m.enabled()));
                                emitProperty("Visible", zeroOrOne(m.visible()));
                              },
                              [&](DatePicker& d) {
                                char b[16];
                                std::snprintf(b, sizeof b, "%04d/%02d/%02d", d.value().year,
                                              d.value().month, d.value().day);
                                emitProperty("Value", b);
                              },
                              [](Control&) {}});
}

// The user's actions on the window and its dialogs, one function per verb; the table at
// the end names them.
struct Runner::WindowVerbs {
  static void start(Runner& r, const std::vector<std::string>& args, const std::string&) {
    // A start while Varnolt runs is the second instance: it hands its command line to
    // the running one and exits.
    if (r.form_ && !r.form_->closed) {
      std::string line = "second start";
      for (const std::string& a : args) line += " " + a;
      r.emit(line);
      r.form().secondStart(args);
      r.settle();
      return;
    }
    // A window closed earlier in the scenario: this is the next run of the program.
    r.world_->clock.forgetTimers();
    r.form_ = std::make_unique<Form1>(r.world_->platform);
    Form1& f = *r.form_;
    for (auto* t : f.timers()) r.world_->clock.watch(*t);
    f.Label100.subscribe([&r](Control& c, controls::Property prop) {
      if (prop == controls::Property::Caption)
        r.emit("status: " + static_cast<Label&>(c).caption());
    });
    f.onLogLine = [&r](std::string_view l) { r.emit("log: " + std::string(l)); };
    f.destroyWindow = [&r] { r.emit("closed"); };
    f.showPopup = [&r](MenuItem& menu) {
      r.emit("popup " + menu.name());
      r.popupShown_ = menu.name();
    };
    // The design size of the window: client area plus frame, caption and menu bar.
    f.width = 10410 + 2 * 60;
    f.height = 7965 + 2 * 60 + 345 + 300;
    f.autoStart = isAutoCommandLine(args);
    f.Form_Load();
    r.settle();
    f.commandLine(args);
    r.settle();
  }
  static void close(Runner& r, const std::vector<std::string>&, const std::string&) {
    if (!r.modals_.empty()) {
      r.modals_.back()->close();
      return;
    }
    r.form().requestClose();
    r.settle();
  }
  static void answer(Runner& r, const std::vector<std::string>& w, const std::string&) {
    static const std::map<std::string, int> ids = {
        {"ok", 1}, {"cancel", 2}, {"abort", 3}, {"retry", 4}, {"ignore", 5}, {"yes", 6}, {"no", 7}};
    if (w.empty()) r.fail("answer needs at least one of ok, yes, no, cancel");
    for (const auto& a : w) {
      auto it = ids.find(a);
      if (it == ids.end()) r.fail("unknown answer '" + a + "'");
      r.world_->dialogs.answers.push_back(it->second);
    }
  }
  // The answer for the next file dialog or folder browser.
  static void answerDialog(std::deque<std::optional<std::string>>& q, Runner& r,
                           const std::vector<std::string>& w, const std::string& rest) {
    if (w.empty()) r.fail("give a Windows path, 'cancel' or 'empty'");
    if (rest == "cancel")
      q.push_back(std::nullopt);
    else if (rest == "empty")  // a confirmed item with no file-system path
      q.push_back(std::string());
    else
      q.push_back(rest);
  }
  static void openfile(Runner& r, const std::vector<std::string>& w, const std::string& rest) {
    answerDialog(r.world_->dialogs.openFileAnswers, r, w, rest);
  }
  static void browse(Runner& r, const std::vector<std::string>& w, const std::string& rest) {
    answerDialog(r.world_->dialogs.browses, r, w, rest);
  }
  static void click(Runner& r, const std::vector<std::string>& w, const std::string&) {
    if (w.size() != 1) r.fail("click takes one control name");
    r.userClick(r.control(w[0]));
    r.settle();
  }
  static void rightclick(Runner& r, const std::vector<std::string>& w, const std::string&) {
    if (w.size() != 1) r.fail("rightclick takes one control name");
    Control& c = r.control(w[0]);
    if (!c.enabled()) {
      r.emit("ignored rightclick " + c.name() + " (disabled)");
      return;
    }
    controls::visit(c, controls::Overloaded{
                           [](ListView& l) {
                             if (l.onRightClick) l.onRightClick();
                           },
                           [](ProgressBar& b) {
                             if (b.onMouseDown) b.onMouseDown();
                           },
                           [](Label& l) {
                             if (l.onMouseDown) l.onMouseDown();
                           },
                           [&](Control&) { r.fail("'" + c.name() + "' takes no right click"); }});
    r.settle();
  }
  static void headerclick(Runner& r, const std::vector<std::string>& w, const std::string&) {
    if (w.size() != 2) r.fail("headerclick NAME K");
    Control& c = r.control(w[0]);
    if (c.kind() != Kind::ListView) r.fail("'" + w[0] + "' is not a list");
    auto& l = static_cast<ListView&>(c);
    const int k = numberWord<int>(r, w[1], "headerclick NAME K");
    if (k < 1 || k > static_cast<int>(l.columns.size()))
      r.fail("'" + w[0] + "' has no column header " + w[1]);
    if (!l.enabled()) {
      r.emit("ignored headerclick " + c.name() + " (disabled)");
      return;
    }
    if (l.onColumnClick) l.onColumnClick(k);
    r.settle();
  }
  static void set(Runner& r, const std::vector<std::string>& w, const std::string& rest) {
    if (w.empty()) r.fail("set needs a control name");
    std::string text = rest.size() > w[0].size() ? rest.substr(w[0].size() + 1) : std::string();
    Control& c = r.control(w[0]);
    if (c.kind() == Kind::TextBox)
      static_cast<TextBox&>(c).setText(text);
    else if (c.kind() == Kind::Label)
      static_cast<Label&>(c).setCaption(text);
    else
      r.fail("'" + w[0] + "' has no text to set");
    r.settle();
  }
  static void check(Runner& r, const std::vector<std::string>& w, const std::string&) {
    if (w.size() < 2) r.fail("check NAME on|off, or check NAME ROW on|off");
    const std::string& state = w.back();
    if (state != "on" && state != "off") r.fail("check takes on or off");
    Control& c = r.control(w[0]);
    if (c.kind() == Kind::CheckBox && w.size() == 2) {
      auto& b = static_cast<CheckBox&>(c);
      if (!b.enabled())
        r.emit("ignored check " + c.name() + " (disabled)");
      else
        b.setValue(state == "on" ? 1 : 0);
    } else if (c.kind() == Kind::ListView && w.size() == 3) {
      auto& l = static_cast<ListView&>(c);
      const auto row = numberWord<std::size_t>(r, w[1], "check NAME ROW on|off");
      if (row < 1 || row > l.count()) r.fail("row " + w[1] + " is not in " + c.name());
      if (!l.enabled())
        r.emit("ignored check " + c.name() + " (disabled)");
      else
        l.userCheck(row, state == "on");
    } else {
      r.fail("'" + w[0] + "' cannot be checked that way");
    }
    r.settle();
  }
  static void select(Runner& r, const std::vector<std::string>& w, const std::string&) {
    if (w.size() < 2) r.fail("select NAME ROW...");
    Control& c = r.control(w[0]);
    if (c.kind() != Kind::ListView) r.fail("'" + w[0] + "' is not a list");
    auto& l = static_cast<ListView&>(c);
    for (std::size_t i = 1; i < w.size(); ++i) {
      const auto row = numberWord<std::size_t>(r, w[i], "select NAME ROW...");
      if (row < 1 || row > l.count()) r.fail("row " + w[i] + " is not in " + c.name());
      if (i == 1)
        l.selectOnly(row);
      else
        l.setSelected(row, true);
    }
    r.settle();
  }
  static void option(Runner& r, const std::vector<std::string>& w, const std::string&) {
    if (w.size() != 1) r.fail("option NAME(K)");
    Control& c = r.control(w[0]);
    if (c.kind() != Kind::OptionButton) r.fail("'" + w[0] + "' is not an option button");
    r.userClick(c);
    r.settle();
  }
  static void tab(Runner& r, const std::vector<std::string>& w, const std::string&) {
    if (w.size() != 1) r.fail("tab K");
    const int t = numberWord<int>(r, w[0], "tab K");
    if (t < 0 || t >= static_cast<int>(r.form().SSTab1.captions().size()))
      r.fail("there is no tab " + w[0]);
    r.form().SSTab1.setTab(t);
    r.settle();
  }
  static void wait(Runner& r, const std::vector<std::string>& w, const std::string&) {
    if (w.size() != 1) r.fail("wait MS");
    auto& clock = r.world_->clock;
    // Up to some thousand years of virtual time, so that the clock cannot overflow.
    const auto ms = numberWord<std::int64_t>(r, w[0], "wait MS");
    if (ms < 0 || ms > 1'000'000'000'000'000) r.fail("wait takes 0 to 10^15 milliseconds");
    r.waitUntil_ = clock.ticks() + ms;
    // Inside a handler that spins in the message loop, the handler's passes move the time.
    if (!r.inSpinTurn_) clock.idle(ms);
  }
  // From here on every change of the run's progress on the taskbar button prints
  // "taskbar: none", "taskbar: normal VALUE MIN..MAX" or "taskbar: error VALUE MIN..MAX".
  static void taskbar(Runner& r, const std::vector<std::string>& w, const std::string&) {
    if (w.size() != 1 || w[0] != "on") r.fail("taskbar on");
    r.form().onRunProgress = [&r](const RunProgress& progress) {
      if (progress.state == RunProgress::State::None) return r.emit("taskbar: none");
      r.emit(std::string("taskbar: ") +
             (progress.state == RunProgress::State::Error ? "error " : "normal ") +
             std::to_string(progress.value) + " " + std::to_string(progress.min) + ".." +
             std::to_string(progress.max));
    };
  }
  static void dump(Runner& r, const std::vector<std::string>& w, const std::string&) {
    if (w.empty()) {
      for (Control* c : r.modals_.empty() ? r.form().all() : r.modals_.back()->all()) r.dump(*c);
      return;
    }
    for (const auto& n : w) r.dump(r.control(n));
  }
  static void drop(Runner& r, const std::vector<std::string>& w, const std::string& rest) {
    // drop NAME PATH|PATH|...: files dragged from the shell, in that order.
    if (w.size() < 2) r.fail("drop NAME PATH|PATH|...");
    Control& c = r.control(w[0]);
    if (c.kind() != Kind::ListView) r.fail("'" + w[0] + "' takes no drops");
    auto paths = text_rules::split(rest.substr(w[0].size() + 1), "|");
    bool taken = false;
    r.asHandler(c.name() + "_OLEDragDrop", [&] { taken = static_cast<ListView&>(c).drop(paths); });
    if (!taken) r.emit("ignored drop " + c.name() + " (disabled)");
    r.settle();
  }
  static void focus(Runner& r, const std::vector<std::string>& w, const std::string&) {
    if (w.size() != 1) r.fail("focus NAME");
    Control* c = r.form().find(w[0]);
    if (!c) r.fail("unknown control '" + w[0] + "'");
    r.form().setFocus(*c);
    r.settle();
    r.emit("focus: " + r.form().focused);
  }

  static constexpr VerbEntry kTable[] = {
      {"start", &start},
      {"close", &close},
      {"answer", &answer},
      {"openfile", &openfile},
      {"browse", &browse},
      {"click", &click},
      {"rightclick", &rightclick},
      {"headerclick", &headerclick},
      {"set", &set},
      {"check", &check},
      {"select", &select},
      {"option", &option},
      {"tab", &tab},
      {"focus", &focus},
      {"drop", &drop},
      {"wait", &wait},
      {"taskbar", &taskbar},
      {"dump", &dump},
  };
};

// Defined after WindowVerbs, whose table it registers.
Runner::Runner(const Options& options, std::ostream& out) : options_(options), out_(out) {
  world_ = std::make_unique<sim::SimWorld>(options_.root, options_.now,
                                           [this](std::string_view l) { emit(l); });
  std::filesystem::create_directories(options_.root / "c" / "Varnolt");
  world_->dialogs.modalLoop = [this](controls::ModalForm& f) { modalLoop(f); };
  world_->clock.userTurn = [this] { userTurn(); };
  addVerbs(WindowVerbs::kTable);
  registerWorldVerbs(*this);
  registerControllerVerbs(*this);
  registerLifecycleVerbs(*this);
  registerTaskVerbs(*this);
}

std::vector<std::string> Runner::verbNames() const {
  std::vector<std::string> names;
  for (const auto& [name, verb] : verbs_) names.push_back(name);
  return names;
}

}  // namespace varnolt::simrun
