// What Wine's own Task Scheduler keeps of a task registered with the nightly task's
// settings: each call's HRESULT, then what reading the task back gives. Printed for the
// Wine run's log; the recording stand-in (task_fake_test.cpp) checks the port's calls.
#include <windows.h>

#include <taskschd.h>
#include <wrl/client.h>
#include <cstdio>
#include <string>

#include "platform/win32/win_task_scheduler.hpp"
#include "platform/win32/win_util.hpp"

using Microsoft::WRL::ComPtr;

namespace {

void show(const char* what, HRESULT hr) {
  std::printf("probe: %-40s 0x%08lX\n", what, static_cast<unsigned long>(hr));
}

std::string take(BSTR b) {
  std::string s = b ? varnolt::win32::narrow(b) : "(none)";
  ::SysFreeString(b);
  return s;
}

VARIANT none() {
  VARIANT v;
  v.vt = VT_EMPTY;
  return v;
}

}  // namespace

int wmain() {
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  {
    ComPtr<ITaskService> service;
    ComPtr<ITaskFolder> root;
    ComPtr<ITaskDefinition> def;
    show("connect", varnolt::win32::connectTaskService(service.GetAddressOf()));
    if (!service) return 1;
    BSTR rootPath = ::SysAllocString(L"\\");
    show("GetFolder \\", service->GetFolder(rootPath, &root));
    ::SysFreeString(rootPath);
    show("NewTask", service->NewTask(0, &def));
    if (!root || !def) return 1;

    ComPtr<ITaskSettings> settings;
    def->get_Settings(&settings);
    show("put_WakeToRun TRUE", settings->put_WakeToRun(VARIANT_TRUE));
    show("put_DisallowStartIfOnBatteries FALSE", settings->put_DisallowStartIfOnBatteries(0));
    show("put_StopIfGoingOnBatteries FALSE", settings->put_StopIfGoingOnBatteries(0));
    BSTR limit = ::SysAllocString(L"PT0S");
    show("put_ExecutionTimeLimit PT0S", settings->put_ExecutionTimeLimit(limit));
    ::SysFreeString(limit);
    show("put_MultipleInstances IGNORE_NEW",
         settings->put_MultipleInstances(TASK_INSTANCES_IGNORE_NEW));
    ComPtr<IPrincipal> principal;
    def->get_Principal(&principal);
    show("put_LogonType INTERACTIVE_TOKEN", principal->put_LogonType(TASK_LOGON_INTERACTIVE_TOKEN));

    ComPtr<ITriggerCollection> triggers;
    ComPtr<ITrigger> trigger;
    def->get_Triggers(&triggers);
    show("triggers Create DAILY", triggers->Create(TASK_TRIGGER_DAILY, &trigger));
    if (trigger) {
      BSTR start = ::SysAllocString(L"2026-01-01T03:05:00");
      show("put_StartBoundary", trigger->put_StartBoundary(start));
      ::SysFreeString(start);
    }
    ComPtr<IActionCollection> actions;
    ComPtr<IAction> action;
    ComPtr<IExecAction> exec;
    def->get_Actions(&actions);
    show("actions Create EXEC", actions->Create(TASK_ACTION_EXEC, &action));
    if (action && SUCCEEDED(action.As(&exec))) {
      BSTR path = ::SysAllocString(L"C:\\vt\\Varnolt.exe");
      BSTR args = ::SysAllocString(L"/auto");
      show("put_Path", exec->put_Path(path));
      show("put_Arguments", exec->put_Arguments(args));
      ::SysFreeString(path);
      ::SysFreeString(args);
    }

    BSTR name = ::SysAllocString(L"Varnolt probe");
    ComPtr<IRegisteredTask> registered;
    show("RegisterTaskDefinition",
         root->RegisterTaskDefinition(name, def.Get(), TASK_CREATE_OR_UPDATE, none(), none(),
                                      TASK_LOGON_INTERACTIVE_TOKEN, none(), &registered));
    ComPtr<IRegisteredTask> back;
    show("GetTask", root->GetTask(name, &back));
    ::SysFreeString(name);
    if (!back) return 0;
    ComPtr<ITaskDefinition> kept;
    back->get_Definition(&kept);
    ComPtr<ITaskSettings> keptSettings;
    kept->get_Settings(&keptSettings);
    VARIANT_BOOL wake = 0, battery = 0;
    keptSettings->get_WakeToRun(&wake);
    keptSettings->get_DisallowStartIfOnBatteries(&battery);
    std::printf("probe: kept WakeToRun %d, DisallowStartIfOnBatteries %d\n", wake, battery);
    ComPtr<ITriggerCollection> keptTriggers;
    ComPtr<IActionCollection> keptActions;
    LONG nTriggers = -1, nActions = -1;
    kept->get_Triggers(&keptTriggers);
    kept->get_Actions(&keptActions);
    if (keptTriggers) keptTriggers->get_Count(&nTriggers);
    if (keptActions) keptActions->get_Count(&nActions);
    std::printf("probe: kept %ld trigger(s), %ld action(s)\n", nTriggers, nActions);
    BSTR xml = nullptr;
    back->get_Xml(&xml);
    std::printf("probe: kept XML:\n%s\n", take(xml).c_str());
  }
  ::CoUninitialize();
  return 0;
}
