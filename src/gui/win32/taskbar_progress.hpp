// The run's progress on the window's taskbar button, through the shell's ITaskbarList3.
#pragma once

// windows.h comes first: the shell headers build on it.
#include <shobjidl.h>
#include <windows.h>

#include <functional>
#include <optional>
#include <utility>

#include "app/run_progress.hpp"

namespace varnolt::gui {

// Owner of one reference to a COM object.
template <typename T>
class ComRef {
 public:
  ComRef() = default;
  explicit ComRef(T* p) : p_(p) {}
  ~ComRef() { reset(); }
  ComRef(ComRef&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComRef& operator=(ComRef&& o) noexcept {
    if (this != &o) {
      reset();
      p_ = std::exchange(o.p_, nullptr);
    }
    return *this;
  }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  void reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

class TaskbarProgress {
 public:
  // Makes the shell's taskbar object (one reference handed over); nullptr where the
  // shell has no taskbar.
  using Factory = std::function<ITaskbarList3*()>;
  static ITaskbarList3* createTaskbarList();

  explicit TaskbarProgress(HWND window, Factory factory = createTaskbarList);
  // The message the shell sends when the window's button exists, again after the shell
  // restarted; until then there is no button to show anything on.
  UINT buttonCreatedMessage() const { return buttonCreated_; }
  void buttonCreated();
  // What the run shows now; kept for a button made later.
  void show(const RunProgress& progress);

 private:
  void apply();
  HWND window_;
  Factory factory_;
  UINT buttonCreated_;
  ComRef<ITaskbarList3> list_;
  RunProgress current_;
  std::optional<RunProgress> shown_;
};

}  // namespace varnolt::gui
