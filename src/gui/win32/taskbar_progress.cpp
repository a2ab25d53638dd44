#include "gui/win32/taskbar_progress.hpp"

#include <algorithm>

#include "platform/win32/win_util.hpp"

namespace varnolt::gui {

ITaskbarList3* TaskbarProgress::createTaskbarList() {
  // COM is found when the taskbar button exists, after the window is shown, so start-up
  // does not load it.
  static const auto create =
      win32::lateBound<decltype(&::CoCreateInstance)>(L"ole32.dll", "CoCreateInstance");
  ITaskbarList3* list = nullptr;
  if (!create) return nullptr;
  if (FAILED(create(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                    reinterpret_cast<void**>(&list))))
    return nullptr;
  return list;
}

TaskbarProgress::TaskbarProgress(HWND window, Factory factory)
    : window_(window),
      factory_(std::move(factory)),
      buttonCreated_(::RegisterWindowMessageW(L"TaskbarButtonCreated")) {}

void TaskbarProgress::buttonCreated() {
  // A new button (the shell restarted) starts without progress: a fresh object, and
  // the run's state shown again.
  list_ = ComRef<ITaskbarList3>(factory_ ? factory_() : nullptr);
  if (list_ && FAILED(list_->HrInit())) list_.reset();
  shown_.reset();
  apply();
}

void TaskbarProgress::show(const RunProgress& progress) {
  current_ = progress;
  apply();
}

void TaskbarProgress::apply() {
  if (!list_ || shown_ == current_) return;
  using State = RunProgress::State;
  if (current_.state == State::None) {
    list_->SetProgressState(window_, TBPF_NOPROGRESS);
  } else {
    // The slider's position within its range; an empty range shows nothing done.
    const int total = std::max(1, current_.max - current_.min);
    const int done = std::clamp(current_.value - current_.min, 0, total);
    list_->SetProgressValue(window_, static_cast<ULONGLONG>(done), static_cast<ULONGLONG>(total));
    // The value alone turns a button without progress to normal; the error state and the
    // way back from it are set explicitly.
    if (!shown_ || shown_->state != current_.state)
      list_->SetProgressState(window_, current_.state == State::Error ? TBPF_ERROR : TBPF_NORMAL);
  }
  shown_ = current_;
}

}  // namespace varnolt::gui
