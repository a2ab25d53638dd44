// The run's progress as the taskbar shows it: published on every change of the run's
// timers, its stop request, its error state and the mirrored Slider1.
#include "app/form1.hpp"

namespace varnolt {

using controls::Control;
using controls::Property;

void Form1::watchRunProgress() {
  for (Control* c : std::initializer_list<Control*>{&Timer1, &Timer2, &Slider1})
    c->subscribe([this](Control&, Property property) {
      if (property == Property::Enabled || property == Property::Value ||
          property == Property::Range)
        publishRunProgress();
    });
}

RunProgress Form1::runProgress() const {
  // A stopped conversion leaves Timer2 running idle: only an unstopped one is a run.
  const bool running = Timer1.enabled() || (Timer2.enabled() && !state.ConvStop);
  if (!running && !state.runError) return {};
  return {state.runError ? RunProgress::State::Error : RunProgress::State::Normal, Slider1.value(),
          Slider1.min(), Slider1.max()};
}

void Form1::publishRunProgress() {
  const RunProgress now = runProgress();
  if (now == shownProgress_) return;
  shownProgress_ = now;
  if (onRunProgress) onRunProgress(now);
}

void Form1::runStarted() {
  state.runError = false;
  publishRunProgress();
}

void Form1::runStoppedOnError() {
  state.runError = true;
  publishRunProgress();
}

}  // namespace varnolt
