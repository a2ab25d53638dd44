// Verbs of the stand-in controller, and two helpers scenarios about it need.
//
//   controller title TEXT        caption of the main window (default "ロクラクⅡ コントローラ")
//   controller recording ENTRY [SIZE]
//                                appends one list-box entry, the "|"-separated text as it
//                                stands; SIZE is the last two words of the line when they are
//                                a number followed by MB or GB ("... 850.5 MB"), else the
//                                whole rest is the entry and the size is "100 MB"
//   controller install PATH      a stand-in executable exists at the Windows path PATH;
//                                starting it starts the controller
//   controller startup MS        the main window appears MS of virtual time after the start
//                                (default 1500)
//   controller recordings N      appends N generated entries
//                                "k||番組k|2026/12/01 21:00|00:30|HD" with sizes "k MB", k counting
//                                on from the entries there
//   controller details TEXT      the details text of the last recording, verbatim (\r\n)
//   controller keys              "keys: setcursel N", "keys: up", "keys: down": what its list
//                                box received since the last call
//   controller job MS            every transfer and conversion takes MS (default: 1 s per
//                                10 MB, at least 6 s)
//   controller fault NAME        nodetails | hung | exit | nodialog | smaller | nooutput |
//                                nostart (the start reports process id 0) | nointerrupt (no
//                                "中断" button) | notransfer [K] (the save dialog is confirmed
//                                but nothing is transferred or written, for the recording of
//                                list row K counted from 1, or for all)
//   controller range MIN MAX     range of the progress trackbar (default 0 100)
//   controller twoedits          its "名前を付けて保存" dialog has a second edit box, created
//                                before the file-name box
//   controller running           the controller is already running now
//   controller hang | resume     stops / resumes answering messages now
//   controller exit              the controller's process ends now
//   controller report            one line "handle NAME=XXXXXXXX" per window it has now
//   filesize PATH                "filesize PATH=BYTES", or "filesize PATH missing"
//   elapsed                      "elapsed MS": virtual milliseconds since the scenario began
//   focus NAME                   the user moves the keyboard focus to control NAME
//   say TEXT                     prints "== TEXT" (headings of a demonstration)
//   power fail CODE              the next suspend or hibernate request fails with last
//                                error CODE (requests are printed as "power: ..." lines)
//
// Settings take effect at the next start of the controller. What the controller does
// is printed as "controller: ..." lines.
#include <memory>

#include "platform/sim/sim_standin.hpp"
#include "simrun/scenario.hpp"

namespace varnolt::simrun {

using controls::Control;

void registerControllerVerbs(Runner& runner) {
  auto standin = std::make_shared<sim::SimStandin>(runner.world());

  runner.addVerb("controller", [standin](Runner& r, const std::vector<std::string>& w,
                                         const std::string& rest) {
    if (w.empty()) r.fail("controller needs a setting or an action");
    const std::string& what = w[0];
    const std::string arg = rest.size() > what.size() ? rest.substr(what.size() + 1) : "";
    if (what == "install") {
      if (arg.empty()) r.fail("controller install PATH");
      standin->install(arg);
    } else if (what == "running") {
      standin->runNow();
    } else if (what == "hang" || what == "resume") {
      if (!standin->running()) r.fail("the controller is not running");
      standin->setHung(what == "hang");
    } else if (what == "exit") {
      if (!standin->running()) r.fail("the controller is not running");
      standin->terminate();
    } else if (what == "keys") {
      for (const auto& m : standin->takeListMessages()) r.emit("keys: " + m);
    } else if (what == "report") {
      for (const auto& [name, h] : standin->report())
        r.emit("handle " + name + "=" + handleText(h));
    } else {
      std::string error = standin::applyConfigLine(standin->config, rest);
      if (!error.empty()) r.fail(error);
    }
    r.settle();
  });

  runner.addVerb("filesize",
                 [](Runner& r, const std::vector<std::string>& w, const std::string& rest) {
                   if (w.empty()) r.fail("filesize PATH");
                   auto& files = r.world().files;
                   if (!files.fileExists(rest))
                     r.emit("filesize " + rest + " missing");
                   else
                     r.emit("filesize " + rest + "=" + std::to_string(files.fileSize(rest)));
                 });

  runner.addVerb("power", [](Runner& r, const std::vector<std::string>& w, auto&) {
    if (w.size() != 2 || w[0] != "fail" ||
        w[1].find_first_not_of("0123456789") != std::string::npos)
      r.fail("power fail CODE");
    r.world().power.nextPowerStateError = numberWord<std::uint32_t>(r, w[1], "power fail CODE");
  });

  runner.addVerb("say", [](Runner& r, auto&, const std::string& rest) { r.emit("== " + rest); });

  runner.addVerb("elapsed", [](Runner& r, auto&, auto&) {
    r.emit("elapsed " + std::to_string(r.world().clock.ticks()));
  });

  runner.addVerb("focus", [](Runner& r, const std::vector<std::string>& w, auto&) {
    if (w.size() != 1) r.fail("focus NAME");
    Control* c = r.form().find(w[0]);
    if (!c) r.fail("unknown control '" + w[0] + "'");
    r.form().setFocus(*c);
    r.settle();
    r.emit("focus: " + r.form().focused);
  });
}

}  // namespace varnolt::simrun
