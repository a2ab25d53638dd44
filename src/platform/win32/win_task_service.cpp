// The Task Scheduler service itself, in a file of its own: the test build of Varnolt.exe
// links a recording stand-in in its place (tests/wine/taskfake).
#include "platform/win32/win_task_scheduler.hpp"
#include "platform/win32/win_util.hpp"

namespace varnolt::win32 {

HRESULT connectTaskService(ITaskService** service) {
  static const auto create =
      lateBound<decltype(&::CoCreateInstance)>(L"ole32.dll", "CoCreateInstance");
  if (!create) return E_NOTIMPL;
  HRESULT hr = create(__uuidof(TaskScheduler), nullptr, CLSCTX_INPROC_SERVER,
                      __uuidof(ITaskService), reinterpret_cast<void**>(service));
  if (FAILED(hr)) return hr;
  // This computer, as the user who runs Varnolt.
  VARIANT none;
  none.vt = VT_EMPTY;
  hr = (*service)->Connect(none, none, none, none);
  if (FAILED(hr)) {
    (*service)->Release();
    *service = nullptr;
  }
  return hr;
}

}  // namespace varnolt::win32
