#include "platform/win32/win_task_scheduler.hpp"

#include <cstdio>
#include <cwchar>
#include <string>
#include <utility>

#include "platform/win32/win_util.hpp"

namespace varnolt::win32 {

namespace {

// COM and BSTR functions, bound when the task is first asked about (start-up reads it),
// so that the libraries are not loaded before the window is shown.
struct ComCalls {
  decltype(&::CoInitializeEx) initialize =
      lateBound<decltype(&::CoInitializeEx)>(L"ole32.dll", "CoInitializeEx");
  decltype(&::CoUninitialize) uninitialize =
      lateBound<decltype(&::CoUninitialize)>(L"ole32.dll", "CoUninitialize");
  decltype(&::CoCreateInstance) createInstance =
      lateBound<decltype(&::CoCreateInstance)>(L"ole32.dll", "CoCreateInstance");
  decltype(&::SysAllocStringLen) allocString =
      lateBound<decltype(&::SysAllocStringLen)>(L"oleaut32.dll", "SysAllocStringLen");
  decltype(&::SysFreeString) freeString =
      lateBound<decltype(&::SysFreeString)>(L"oleaut32.dll", "SysFreeString");
};

const ComCalls& com() {
  static const ComCalls calls;
  return calls;
}

// An owned interface pointer, released once.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // Where a call stores a new pointer; the old one is released first.
  T** out() {
    reset();
    return &p_;
  }
  template <typename U>
  HRESULT as(ComPtr<U>& other) const {
    return p_->QueryInterface(__uuidof(U), reinterpret_cast<void**>(other.out()));
  }
  void reset() {
    if (p_) p_->Release();
    p_ = nullptr;
  }

 private:
  T* p_ = nullptr;
};

// An owned BSTR, freed once; made from UTF-8 text or filled by a call.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::string_view utf8) {
    const std::wstring w = widen(utf8);
    b_ = com().allocString ? com().allocString(w.data(), static_cast<UINT>(w.size())) : nullptr;
  }
  ~Bstr() { reset(); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  operator BSTR() const { return b_; }
  BSTR* out() {
    reset();
    return &b_;
  }
  std::string text() const { return b_ ? narrow(std::wstring_view(b_, ::wcslen(b_))) : ""; }

 private:
  void reset() {
    if (b_ && com().freeString) com().freeString(b_);
    b_ = nullptr;
  }
  BSTR b_ = nullptr;
};

// The calling thread inside COM for one request; left again only if entered here.
class ComScope {
 public:
  ComScope()
      : entered_(com().initialize &&
                 SUCCEEDED(com().initialize(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComScope() {
    if (entered_ && com().uninitialize) com().uninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool entered_;
};

// A VARIANT with nothing in it: the user, password and access rights of a registration
// left to the Task Scheduler.
VARIANT emptyVariant() {
  VARIANT v;
  v.vt = VT_EMPTY;
  return v;
}

bool notFound(HRESULT hr) {
  return hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ||
         hr == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
}

HRESULT rootFolder(WinTaskScheduler& s, ComPtr<ITaskFolder>& root) {
  ComPtr<ITaskService> service;
  HRESULT hr = s.openService(service.out());
  if (FAILED(hr)) return hr;
  return service->GetFolder(Bstr("\\"), root.out());
}

// "YYYY-MM-DDTHH:MM:SS" of today at hour:minute, local time: the day the trigger starts.
std::string startBoundary(int hour, int minute) {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  char b[32];
  std::snprintf(b, sizeof b, "%04u-%02u-%02uT%02d:%02d:00", now.wYear, now.wMonth, now.wDay, hour,
                minute);
  return b;
}

// The time of a start boundary's "THH:MM"; false when it has none.
bool boundaryTime(const std::string& boundary, int& hour, int& minute) {
  const auto t = boundary.find('T');
  return t != std::string::npos &&
         std::sscanf(boundary.c_str() + t + 1, "%d:%d", &hour, &minute) == 2;
}

// The task's definition filled in: every setting the nightly task needs.
HRESULT defineDaily(ITaskDefinition* def, int hour, int minute, std::string_view program,
                    std::string_view arguments) {
  ComPtr<ITaskSettings> settings;
  HRESULT hr = def->get_Settings(settings.out());
  if (SUCCEEDED(hr)) hr = settings->put_WakeToRun(VARIANT_TRUE);
  if (SUCCEEDED(hr)) hr = settings->put_DisallowStartIfOnBatteries(VARIANT_FALSE);
  if (SUCCEEDED(hr)) hr = settings->put_StopIfGoingOnBatteries(VARIANT_FALSE);
  if (SUCCEEDED(hr)) hr = settings->put_ExecutionTimeLimit(Bstr("PT0S"));
  if (SUCCEEDED(hr)) hr = settings->put_MultipleInstances(TASK_INSTANCES_IGNORE_NEW);
  if (FAILED(hr)) return hr;

  // The window automation needs the user's desktop: only while the user is logged on.
  ComPtr<IPrincipal> principal;
  hr = def->get_Principal(principal.out());
  if (SUCCEEDED(hr)) hr = principal->put_LogonType(TASK_LOGON_INTERACTIVE_TOKEN);
  if (FAILED(hr)) return hr;

  ComPtr<ITriggerCollection> triggers;
  ComPtr<ITrigger> trigger;
  ComPtr<IDailyTrigger> daily;
  hr = def->get_Triggers(triggers.out());
  if (SUCCEEDED(hr)) hr = triggers->Create(TASK_TRIGGER_DAILY, trigger.out());
  if (SUCCEEDED(hr)) hr = trigger.as(daily);
  if (SUCCEEDED(hr)) hr = daily->put_DaysInterval(1);
  if (SUCCEEDED(hr)) hr = daily->put_StartBoundary(Bstr(startBoundary(hour, minute)));
  if (FAILED(hr)) return hr;

  ComPtr<IActionCollection> actions;
  ComPtr<IAction> action;
  ComPtr<IExecAction> exec;
  hr = def->get_Actions(actions.out());
  if (SUCCEEDED(hr)) hr = actions->Create(TASK_ACTION_EXEC, action.out());
  if (SUCCEEDED(hr)) hr = action.as(exec);
  if (SUCCEEDED(hr)) hr = exec->put_Path(Bstr(program));
  if (SUCCEEDED(hr)) hr = exec->put_Arguments(Bstr(arguments));
  return hr;
}

// What the definition's first program action and first daily trigger hold.
HRESULT readDefinition(ITaskDefinition* def, platform::ScheduledTask& task) {
  ComPtr<IActionCollection> actions;
  LONG count = 0;
  HRESULT hr = def->get_Actions(actions.out());
  if (SUCCEEDED(hr)) hr = actions->get_Count(&count);
  for (LONG i = 1; SUCCEEDED(hr) && i <= count; ++i) {
    ComPtr<IAction> action;
    ComPtr<IExecAction> exec;
    TASK_ACTION_TYPE type{};
    hr = actions->get_Item(i, action.out());
    if (SUCCEEDED(hr)) hr = action->get_Type(&type);
    if (FAILED(hr) || type != TASK_ACTION_EXEC) continue;
    Bstr path, args;
    hr = action.as(exec);
    if (SUCCEEDED(hr)) hr = exec->get_Path(path.out());
    if (SUCCEEDED(hr)) hr = exec->get_Arguments(args.out());
    task.program = path.text();
    task.arguments = args.text();
    break;
  }
  if (FAILED(hr)) return hr;

  ComPtr<ITriggerCollection> triggers;
  hr = def->get_Triggers(triggers.out());
  if (SUCCEEDED(hr)) hr = triggers->get_Count(&count);
  for (LONG i = 1; SUCCEEDED(hr) && i <= count; ++i) {
    ComPtr<ITrigger> trigger;
    TASK_TRIGGER_TYPE2 type{};
    hr = triggers->get_Item(i, trigger.out());
    if (SUCCEEDED(hr)) hr = trigger->get_Type(&type);
    if (FAILED(hr) || type != TASK_TRIGGER_DAILY) continue;
    Bstr boundary;
    hr = trigger->get_StartBoundary(boundary.out());
    int h = 0, m = 0;
    if (SUCCEEDED(hr) && boundaryTime(boundary.text(), h, m)) {
      task.hour = h;
      task.minute = m;
    }
    break;
  }
  return hr;
}

}  // namespace

platform::TaskError taskError(HRESULT hr) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
  wchar_t* text = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
  std::wstring message(text ? text : L"", n);
  if (text) ::LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r'))
    message.pop_back();
  return message.empty() ? std::string(code) : std::string(code) + " " + narrow(message);
}

platform::ScheduledTask WinTaskScheduler::query(std::string_view name, platform::TaskError& error) {
  ComScope scope;
  platform::ScheduledTask task;
  ComPtr<ITaskFolder> root;
  ComPtr<IRegisteredTask> registered;
  ComPtr<ITaskDefinition> def;
  HRESULT hr = rootFolder(*this, root);
  if (SUCCEEDED(hr)) hr = root->GetTask(Bstr(name), registered.out());
  if (notFound(hr)) return task;
  if (SUCCEEDED(hr)) hr = registered->get_Definition(def.out());
  if (SUCCEEDED(hr)) hr = readDefinition(def.get(), task);
  if (FAILED(hr)) {
    error = taskError(hr);
    return {};
  }
  task.found = true;
  return task;
}

platform::TaskError WinTaskScheduler::registerDaily(std::string_view name, int hour, int minute,
                                                    std::string_view program,
                                                    std::string_view arguments) {
  ComScope scope;
  ComPtr<ITaskService> service;
  ComPtr<ITaskFolder> root;
  ComPtr<ITaskDefinition> def;
  ComPtr<IRegisteredTask> registered;
  HRESULT hr = openService(service.out());
  if (SUCCEEDED(hr)) hr = service->GetFolder(Bstr("\\"), root.out());
  if (SUCCEEDED(hr)) hr = service->NewTask(0, def.out());
  if (SUCCEEDED(hr)) hr = defineDaily(def.get(), hour, minute, program, arguments);
  if (SUCCEEDED(hr)) {
    const VARIANT none = emptyVariant();
    hr = root->RegisterTaskDefinition(Bstr(name), def.get(), TASK_CREATE_OR_UPDATE, none, none,
                                      TASK_LOGON_INTERACTIVE_TOKEN, none, registered.out());
  }
  return FAILED(hr) ? taskError(hr) : platform::TaskError();
}

platform::TaskError WinTaskScheduler::remove(std::string_view name) {
  ComScope scope;
  ComPtr<ITaskFolder> root;
  HRESULT hr = rootFolder(*this, root);
  if (SUCCEEDED(hr)) hr = root->DeleteTask(Bstr(name), 0);
  return FAILED(hr) && !notFound(hr) ? taskError(hr) : platform::TaskError();
}

}  // namespace varnolt::win32
