// What a download or conversion run shows of itself outside the window (the taskbar
// button): toolkit-free, derived from the run's timers and the mirrored Slider1.
#pragma once

namespace varnolt {

struct RunProgress {
  enum class State {
    None,    // no run
    Normal,  // a run is under way
    Error,   // the last run stopped on an error
  };
  State state = State::None;
  // Slider1's position and range while a run is under way or stopped on an error.
  int value = 0, min = 0, max = 0;
  bool operator==(const RunProgress&) const = default;
};

}  // namespace varnolt
