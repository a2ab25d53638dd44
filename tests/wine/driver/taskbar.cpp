// The taskbar button's progress with the shell's ITaskbarList3 replaced by a recorder: what
// Varnolt asks of the taskbar across a run, a stop, an error stop and a restarted shell, and
// nothing at all where there is no taskbar.
#include "groups.hpp"

#include <set>

#include "gui/win32/taskbar_progress.hpp"

namespace winetest {

namespace {

using varnolt::RunProgress;
using State = RunProgress::State;

// Records every call as text: "init", "value 10/100", "state NORMAL", other methods by name.
class FakeTaskbar : public ITaskbarList3 {
 public:
  explicit FakeTaskbar(HRESULT init = S_OK) : init_(init) {}
  std::set<HWND> windows;
  LONG refs = 1;

  STDMETHODIMP QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs); }
  STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--refs); }
  STDMETHODIMP HrInit() override { return record("init", init_); }
  STDMETHODIMP AddTab(HWND) override { return record(__func__); }
  STDMETHODIMP DeleteTab(HWND) override { return record(__func__); }
  STDMETHODIMP ActivateTab(HWND) override { return record(__func__); }
  STDMETHODIMP SetActiveAlt(HWND) override { return record(__func__); }
  STDMETHODIMP MarkFullscreenWindow(HWND, BOOL) override { return record(__func__); }
  STDMETHODIMP SetProgressValue(HWND h, ULONGLONG done, ULONGLONG total) override {
    windows.insert(h);
    return record("value " + std::to_string(done) + "/" + std::to_string(total));
  }
  STDMETHODIMP SetProgressState(HWND h, TBPFLAG flags) override {
    windows.insert(h);
    return record(std::string("state ") + (flags == TBPF_NOPROGRESS ? "NOPROGRESS"
                                           : flags == TBPF_NORMAL   ? "NORMAL"
                                           : flags == TBPF_ERROR    ? "ERROR"
                                                                    : "OTHER"));
  }
  STDMETHODIMP RegisterTab(HWND, HWND) override { return record(__func__); }
  STDMETHODIMP UnregisterTab(HWND) override { return record(__func__); }
  STDMETHODIMP SetTabOrder(HWND, HWND) override { return record(__func__); }
  STDMETHODIMP SetTabActive(HWND, HWND, DWORD) override { return record(__func__); }
  STDMETHODIMP ThumbBarAddButtons(HWND, UINT, LPTHUMBBUTTON) override { return record(__func__); }
  STDMETHODIMP ThumbBarUpdateButtons(HWND, UINT, LPTHUMBBUTTON) override {
    return record(__func__);
  }
  STDMETHODIMP ThumbBarSetImageList(HWND, HIMAGELIST) override { return record(__func__); }
  STDMETHODIMP SetOverlayIcon(HWND, HICON, LPCWSTR) override { return record(__func__); }
  STDMETHODIMP SetThumbnailTooltip(HWND, LPCWSTR) override { return record(__func__); }
  STDMETHODIMP SetThumbnailClip(HWND, RECT*) override { return record(__func__); }

  // The calls since the last look.
  std::string take() { return std::exchange(calls_, {}); }

 private:
  HRESULT record(const std::string& call, HRESULT result = S_OK) {
    calls_ += (calls_.empty() ? "" : ", ") + call;
    return result;
  }
  HRESULT init_;
  std::string calls_;
};

RunProgress normal(int v, int min = 0, int max = 100) {
  return {State::Normal, v, min, max};
}

}  // namespace

void taskbarProgressTests() {
  say("# the taskbar button's progress, ITaskbarList3 replaced");
  const HWND window = reinterpret_cast<HWND>(0x5150);
  FakeTaskbar first, second;
  FakeTaskbar* next = &first;
  int made = 0;
  {
    varnolt::gui::TaskbarProgress bar(window, [&]() -> ITaskbarList3* {
      ++made;
      return next;
    });
    check(bar.buttonCreatedMessage() == ::RegisterWindowMessageW(L"TaskbarButtonCreated"),
          "the button is awaited through the registered \"TaskbarButtonCreated\" message");

    // What the first object is asked while these are shown.
    auto shows = [&](const std::vector<RunProgress>& run) {
      for (const RunProgress& p : run) bar.show(p);
      return first.take();
    };
    // A download run under way before the shell made the button: nothing to show it on.
    check(shows({normal(0), normal(15)}).empty() && made == 0,
          "before the button exists no taskbar object is made");
    bar.buttonCreated();
    check(first.take() == "init, value 15/100, state NORMAL",
          "the new button shows the run at once: HrInit, the slider's position, normal state");
    check(shows({normal(30), normal(30), normal(45)}) == "value 30/100, value 45/100",
          "each new slider position is shown once, the state is not repeated");
    check(shows({{State::None}}) == "state NOPROGRESS", "the end of the run clears the button");
    // A conversion run in the controller's own range, then a stop.
    check(
        shows({normal(0, 100, 300), normal(150, 100, 300), normal(400, 100, 300), {State::None}}) ==
            "value 0/200, state NORMAL, value 50/200, value 200/200, state NOPROGRESS",
        "a range of 100..300 shows position - 100 of 200 (clamped); the stop clears it");
    // The controller vanished: the run stops on an error at its position.
    check(shows({normal(30), {State::Error, 30, 0, 100}}) ==
              "value 30/100, state NORMAL, value 30/100, state ERROR",
          "an error stop shows the error state at the slider's position");
    check(shows({normal(0, 0, 0)}) == "value 0/1, state NORMAL",
          "a new run leaves the error state; an empty range shows nothing done");

    // The shell restarted: a new button, a new object, the run shown again.
    next = &second;
    bar.buttonCreated();
    check(first.refs == 0 && second.take() == "init, value 0/1, state NORMAL",
          "a restarted shell's new button gets a new object; the old one is released");
    check(first.windows == std::set<HWND>{window}, "every call names the main window");
  }
  check(second.refs == 0, "closing the window releases the taskbar object");

  // Wine without a taskbar: no object, or one that fails HrInit; nothing is asked.
  FakeTaskbar broken(E_FAIL);
  {
    varnolt::gui::TaskbarProgress none(window, [] { return nullptr; });
    none.buttonCreated();
    none.show(normal(50));
    none.show({State::Error, 50, 0, 100});
    varnolt::gui::TaskbarProgress failing(window, [&]() -> ITaskbarList3* { return &broken; });
    failing.buttonCreated();
    failing.show(normal(50));
    check(broken.take() == "init" && broken.refs == 0,
          "without a taskbar the progress is a no-op; an object failing HrInit is released");
  }
}

}  // namespace winetest
