// A recording stand-in of ITaskService and the objects it hands out: every call the
// Windows Task Scheduler port makes is logged as a line, and what is registered is kept
// for reading back in the same process. One call can be made to fail.
#pragma once

#include <windows.h>

#include <taskschd.h>
#include <functional>
#include <map>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/win32/win_util.hpp"

namespace taskfake {

// Every call the stand-ins see, in order.
struct Calls {
  std::vector<std::string> log;
  // The call that fails, and how.
  std::string failing;
  HRESULT failure = S_OK;
  // Told of every call too (the test build of Varnolt.exe writes them to a file).
  std::function<void(const std::string&)> onCall;
  HRESULT notUsed(const char* what) {
    add(std::string("not used: ") + what);
    return E_NOTIMPL;
  }
  HRESULT add(const std::string& line) {
    log.push_back(line);
    if (onCall) onCall(line);
    return line.rfind(failing, 0) == 0 && !failing.empty() ? failure : S_OK;
  }
};

std::string text(BSTR b) {
  return b ? varnolt::win32::narrow(b) : "";
}

#include "task_not_used.hpp"

// Reference counting and QueryInterface for a stand-in answering to Ifaces.
template <typename Base, typename... Ifaces>
class Fake : public Base {
 public:
  explicit Fake(Calls& calls) : Base(calls) {}
  virtual ~Fake() = default;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) ||
        ((iid == __uuidof(Ifaces)) || ...)) {
      *out = static_cast<Base*>(this);
      this->AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 private:
  ULONG refs_ = 1;
};

// Hands out p with a reference of its own.
template <typename T, typename U>
HRESULT give(U* p, T** out) {
  p->AddRef();
  *out = p;
  return S_OK;
}

BSTR bstr(const std::string& s) {
  const std::wstring w = varnolt::win32::widen(s);
  return ::SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
}

class ExecAction : public Fake<NotUsed_IExecAction, IAction, IExecAction> {
 public:
  using Fake::Fake;
  std::string path, arguments;
  HRESULT STDMETHODCALLTYPE get_Type(TASK_ACTION_TYPE* type) override {
    *type = TASK_ACTION_EXEC;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Path(BSTR p) override {
    path = text(p);
    return calls_.add("action path " + path);
  }
  HRESULT STDMETHODCALLTYPE put_Arguments(BSTR a) override {
    arguments = text(a);
    return calls_.add("action arguments " + arguments);
  }
  HRESULT STDMETHODCALLTYPE get_Path(BSTR* p) override {
    *p = bstr(path);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Arguments(BSTR* a) override {
    *a = bstr(arguments);
    return S_OK;
  }
};

class DailyTrigger : public Fake<NotUsed_IDailyTrigger, ITrigger, IDailyTrigger> {
 public:
  using Fake::Fake;
  std::string start;
  HRESULT STDMETHODCALLTYPE get_Type(TASK_TRIGGER_TYPE2* type) override {
    *type = TASK_TRIGGER_DAILY;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_DaysInterval(short days) override {
    return calls_.add("trigger every " + std::to_string(days) + " day");
  }
  HRESULT STDMETHODCALLTYPE put_StartBoundary(BSTR b) override {
    start = text(b);
    // The date is today's: only the time is the task's.
    return calls_.add("trigger start " + start.substr(start.find('T')));
  }
  HRESULT STDMETHODCALLTYPE get_StartBoundary(BSTR* b) override {
    *b = bstr(start);
    return S_OK;
  }
};

// The triggers or actions of a definition.
template <typename Base, typename Item, typename ItemIface, typename Kind>
class Collection : public Fake<Base> {
 public:
  using Fake<Base>::Fake;
  ~Collection() override {
    for (Item* i : items) i->Release();
  }
  std::vector<Item*> items;
  HRESULT STDMETHODCALLTYPE get_Count(LONG* n) override {
    *n = static_cast<LONG>(items.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Item(LONG index, ItemIface** out) override {
    if (index < 1 || index > static_cast<LONG>(items.size())) return E_INVALIDARG;
    return give(static_cast<ItemIface*>(items[index - 1]), out);
  }
  HRESULT STDMETHODCALLTYPE Create(Kind kind, ItemIface** out) override {
    const char* what = std::is_same_v<Kind, TASK_TRIGGER_TYPE2> ? "trigger" : "action";
    const HRESULT hr = this->calls_.add(std::string(what) + " create " + std::to_string(kind));
    if (FAILED(hr)) return hr;
    items.push_back(new Item(this->calls_));
    return give(static_cast<ItemIface*>(items.back()), out);
  }
};
using Triggers = Collection<NotUsed_ITriggerCollection, DailyTrigger, ITrigger, TASK_TRIGGER_TYPE2>;
using Actions = Collection<NotUsed_IActionCollection, ExecAction, IAction, TASK_ACTION_TYPE>;

class Settings : public Fake<NotUsed_ITaskSettings> {
 public:
  using Fake::Fake;
  HRESULT STDMETHODCALLTYPE put_WakeToRun(VARIANT_BOOL v) override {
    return calls_.add("settings WakeToRun " + std::to_string(v));
  }
  HRESULT STDMETHODCALLTYPE put_DisallowStartIfOnBatteries(VARIANT_BOOL v) override {
    return calls_.add("settings DisallowStartIfOnBatteries " + std::to_string(v));
  }
  HRESULT STDMETHODCALLTYPE put_StopIfGoingOnBatteries(VARIANT_BOOL v) override {
    return calls_.add("settings StopIfGoingOnBatteries " + std::to_string(v));
  }
  HRESULT STDMETHODCALLTYPE put_ExecutionTimeLimit(BSTR v) override {
    return calls_.add("settings ExecutionTimeLimit " + text(v));
  }
  HRESULT STDMETHODCALLTYPE put_MultipleInstances(TASK_INSTANCES_POLICY v) override {
    return calls_.add("settings MultipleInstances " + std::to_string(v));
  }
};

class Principal : public Fake<NotUsed_IPrincipal> {
 public:
  using Fake::Fake;
  HRESULT STDMETHODCALLTYPE put_LogonType(TASK_LOGON_TYPE v) override {
    return calls_.add("principal LogonType " + std::to_string(v));
  }
};

class Definition : public Fake<NotUsed_ITaskDefinition> {
 public:
  explicit Definition(Calls& c)
      : Fake(c),
        settings(new Settings(c)),
        principal(new Principal(c)),
        triggers(new Triggers(c)),
        actions(new Actions(c)) {}
  ~Definition() override {
    settings->Release();
    principal->Release();
    triggers->Release();
    actions->Release();
  }
  Settings* settings;
  Principal* principal;
  Triggers* triggers;
  Actions* actions;
  HRESULT STDMETHODCALLTYPE get_Settings(ITaskSettings** out) override {
    return give(settings, out);
  }
  HRESULT STDMETHODCALLTYPE get_Principal(IPrincipal** out) override {
    return give(principal, out);
  }
  HRESULT STDMETHODCALLTYPE get_Triggers(ITriggerCollection** out) override {
    return give(triggers, out);
  }
  HRESULT STDMETHODCALLTYPE get_Actions(IActionCollection** out) override {
    return give(actions, out);
  }
};

class Registered : public Fake<NotUsed_IRegisteredTask> {
 public:
  Registered(Calls& c, Definition* d) : Fake(c), def(d) { def->AddRef(); }
  ~Registered() override { def->Release(); }
  Definition* def;
  HRESULT STDMETHODCALLTYPE get_Definition(ITaskDefinition** out) override {
    return give(def, out);
  }
};

class Folder : public Fake<NotUsed_ITaskFolder> {
 public:
  using Fake::Fake;
  ~Folder() override {
    for (auto& [name, def] : tasks) def->Release();
  }
  std::map<std::string, Definition*> tasks;
  HRESULT STDMETHODCALLTYPE RegisterTaskDefinition(BSTR path, ITaskDefinition* definition,
                                                   LONG flags, VARIANT user, VARIANT password,
                                                   TASK_LOGON_TYPE logon, VARIANT sddl,
                                                   IRegisteredTask** out) override {
    const HRESULT hr =
        calls_.add("register " + text(path) + " flags " + std::to_string(flags) + " logon " +
                   std::to_string(logon) + " user/password/sddl " + std::to_string(user.vt) + "/" +
                   std::to_string(password.vt) + "/" + std::to_string(sddl.vt));
    if (FAILED(hr)) return hr;
    auto* def = static_cast<Definition*>(definition);
    def->AddRef();
    if (auto it = tasks.find(text(path)); it != tasks.end()) it->second->Release();
    tasks[text(path)] = def;
    *out = new Registered(calls_, def);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTask(BSTR path, IRegisteredTask** out) override {
    calls_.add("get " + text(path));
    auto it = tasks.find(text(path));
    if (it == tasks.end()) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    *out = new Registered(calls_, it->second);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DeleteTask(BSTR path, LONG flags) override {
    calls_.add("delete " + text(path) + " flags " + std::to_string(flags));
    auto it = tasks.find(text(path));
    if (it == tasks.end()) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    it->second->Release();
    tasks.erase(it);
    return S_OK;
  }
};

class Service : public Fake<NotUsed_ITaskService> {
 public:
  explicit Service(Calls& c) : Fake(c), root(new Folder(c)) {}
  ~Service() override { root->Release(); }
  Folder* root;
  HRESULT STDMETHODCALLTYPE GetFolder(BSTR path, ITaskFolder** out) override {
    const HRESULT hr = calls_.add("folder " + text(path));
    return FAILED(hr) ? hr : give(root, out);
  }
  HRESULT STDMETHODCALLTYPE NewTask(DWORD flags, ITaskDefinition** out) override {
    calls_.add("new task " + std::to_string(flags));
    *out = new Definition(calls_);
    return S_OK;
  }
};

}  // namespace taskfake
