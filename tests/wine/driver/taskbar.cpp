// The taskbar button's progress with the shell's ITaskbarList3 replaced by a recorder:
// what Varnolt asks of the taskbar across a run, a stop, an error stop and a restarted
// shell, and nothing at all where there is no taskbar. Nothing here reaches the shell.
#include "groups.hpp"

#include "gui/win32/taskbar_progress.hpp"

namespace winetest {

namespace {

using varnolt::RunProgress;
using State = RunProgress::State;

// Records every call as text: "value 10/100", "state NORMAL", "init".
class FakeTaskbar : public ITaskbarList3 {
 public:
  explicit FakeTaskbar(HRESULT init = S_OK) : init_(init) {}
  std::vector<std::string> calls;
  std::vector<HWND> windows;
  LONG refs = 1;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
  HRESULT STDMETHODCALLTYPE HrInit() override {
    calls.push_back("init");
    return init_;
  }
  HRESULT STDMETHODCALLTYPE AddTab(HWND) override { return other("AddTab"); }
  HRESULT STDMETHODCALLTYPE DeleteTab(HWND) override { return other("DeleteTab"); }
  HRESULT STDMETHODCALLTYPE ActivateTab(HWND) override { return other("ActivateTab"); }
  HRESULT STDMETHODCALLTYPE SetActiveAlt(HWND) override { return other("SetActiveAlt"); }
  HRESULT STDMETHODCALLTYPE MarkFullscreenWindow(HWND, BOOL) override {
    return other("MarkFullscreenWindow");
  }
  HRESULT STDMETHODCALLTYPE SetProgressValue(HWND h, ULONGLONG done, ULONGLONG total) override {
    windows.push_back(h);
    calls.push_back("value " + std::to_string(done) + "/" + std::to_string(total));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetProgressState(HWND h, TBPFLAG flags) override {
    windows.push_back(h);
    const char* name = flags == TBPF_NOPROGRESS ? "NOPROGRESS"
                       : flags == TBPF_NORMAL   ? "NORMAL"
                       : flags == TBPF_ERROR    ? "ERROR"
                                                : "OTHER";
    calls.push_back(std::string("state ") + name);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE RegisterTab(HWND, HWND) override { return other("RegisterTab"); }
  HRESULT STDMETHODCALLTYPE UnregisterTab(HWND) override { return other("UnregisterTab"); }
  HRESULT STDMETHODCALLTYPE SetTabOrder(HWND, HWND) override { return other("SetTabOrder"); }
  HRESULT STDMETHODCALLTYPE SetTabActive(HWND, HWND, DWORD) override {
    return other("SetTabActive");
  }
  HRESULT STDMETHODCALLTYPE ThumbBarAddButtons(HWND, UINT, LPTHUMBBUTTON) override {
    return other("ThumbBarAddButtons");
  }
  HRESULT STDMETHODCALLTYPE ThumbBarUpdateButtons(HWND, UINT, LPTHUMBBUTTON) override {
    return other("ThumbBarUpdateButtons");
  }
  HRESULT STDMETHODCALLTYPE ThumbBarSetImageList(HWND, HIMAGELIST) override {
    return other("ThumbBarSetImageList");
  }
  HRESULT STDMETHODCALLTYPE SetOverlayIcon(HWND, HICON, LPCWSTR) override {
    return other("SetOverlayIcon");
  }
  HRESULT STDMETHODCALLTYPE SetThumbnailTooltip(HWND, LPCWSTR) override {
    return other("SetThumbnailTooltip");
  }
  HRESULT STDMETHODCALLTYPE SetThumbnailClip(HWND, RECT*) override {
    return other("SetThumbnailClip");
  }

  // The calls since the last look.
  std::string take() {
    std::string s;
    for (const auto& c : calls) s += (s.empty() ? "" : ", ") + c;
    calls.clear();
    return s;
  }

 private:
  HRESULT other(const char* name) {
    calls.push_back(name);
    return S_OK;
  }
  HRESULT init_;
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

    // A download run under way before the shell made the button: nothing to show it on.
    bar.show(normal(0));
    bar.show(normal(15));
    check(made == 0, "before the button exists no taskbar object is made");
    bar.buttonCreated();
    check(first.take() == "init, value 15/100, state NORMAL",
          "the new button shows the run at once: HrInit, the slider's position, normal state");

    bar.show(normal(30));
    bar.show(normal(30));
    bar.show(normal(45));
    check(first.take() == "value 30/100, value 45/100",
          "each new slider position is shown once, the state is not repeated");
    bar.show({State::None});
    check(first.take() == "state NOPROGRESS", "the end of the run clears the button");

    // A conversion run in the controller's own range, then a stop.
    bar.show(normal(0, 100, 300));
    bar.show(normal(150, 100, 300));
    bar.show(normal(400, 100, 300));
    bar.show({State::None});
    check(
        first.take() == "value 0/200, state NORMAL, value 50/200, value 200/200, state NOPROGRESS",
        "a range of 100..300 shows position - 100 of 200 (clamped); the stop clears it");

    // The controller vanished: the run stops on an error at its position.
    bar.show(normal(30));
    bar.show({State::Error, 30, 0, 100});
    check(first.take() == "value 30/100, state NORMAL, value 30/100, state ERROR",
          "an error stop shows the error state at the slider's position");
    bar.show(normal(0, 0, 0));
    check(first.take() == "value 0/1, state NORMAL",
          "a new run leaves the error state; an empty range shows nothing done");

    // The shell restarted: a new button, a new object, the run shown again.
    next = &second;
    bar.buttonCreated();
    check(first.refs == 0 && second.take() == "init, value 0/1, state NORMAL",
          "a restarted shell's new button gets a new object; the old one is released");
    bool sameWindow = true;
    for (HWND h : first.windows) sameWindow = sameWindow && h == window;
    check(sameWindow && !first.windows.empty(), "every call names the main window");
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
