#include "gui/win32/single_instance_win.hpp"

#include <shellapi.h>

#include <memory>

#include "app/single_instance.hpp"

namespace varnolt::gui {

namespace {

// Tags the WM_COPYDATA of a second start ("VRNT").
constexpr ULONG_PTR kSecondStartData = 0x56524E54;
// The running Varnolt may be between its mutex and its window: it is looked for this long.
constexpr int kFindTries = 25, kFindPauseMs = 200;
constexpr UINT kSendTimeoutMs = 10000;

struct Search {
  const wchar_t* name;
  HWND found = nullptr;
};

BOOL CALLBACK findMarked(HWND h, LPARAM lParam) {
  auto* s = reinterpret_cast<Search*>(lParam);
  if (!::GetPropW(h, s->name)) return TRUE;
  s->found = h;
  return FALSE;
}

struct BoxSearch {
  HWND owner;
  HWND found = nullptr;
};

BOOL CALLBACK findBox(HWND h, LPARAM lParam) {
  auto* s = reinterpret_cast<BoxSearch*>(lParam);
  wchar_t cls[16] = {};
  ::GetClassNameW(h, cls, 16);
  if (std::wstring_view(cls) != L"#32770" || ::GetWindow(h, GW_OWNER) != s->owner ||
      !::IsWindowVisible(h))
    return TRUE;
  s->found = h;
  return FALSE;
}

}  // namespace

SingleInstance::SingleInstance(const std::string& appPath)
    : name_(win32::widen(instanceName(appPath))) {
  // Local\: one Varnolt per folder in each session; the folder's files are the user's.
  mutex_.reset(::CreateMutexW(nullptr, FALSE, (L"Local\\" + name_).c_str()));
  first_ = !(mutex_ && ::GetLastError() == ERROR_ALREADY_EXISTS);
}

SingleInstance::~SingleInstance() {
  if (marked_ && ::IsWindow(marked_)) ::RemovePropW(marked_, name_.c_str());
}

void SingleInstance::mark(HWND main) {
  if (::SetPropW(main, name_.c_str(), reinterpret_cast<HANDLE>(1))) marked_ = main;
}

bool SingleInstance::handOver(const std::vector<std::string>& args) const {
  Search search{name_.c_str()};
  for (int i = 0; i < kFindTries && !search.found; ++i) {
    ::EnumWindows(findMarked, reinterpret_cast<LPARAM>(&search));
    if (!search.found) ::Sleep(kFindPauseMs);
  }
  if (!search.found) return false;
  // The running Varnolt brings itself to the front; a starting program may let it.
  DWORD pid = 0;
  ::GetWindowThreadProcessId(search.found, &pid);
  ::AllowSetForegroundWindow(pid);
  std::wstring data;
  for (const std::string& a : args) data += win32::widen(a) + L'\0';
  COPYDATASTRUCT cds{kSecondStartData, static_cast<DWORD>(data.size() * sizeof(wchar_t)),
                     data.data()};
  DWORD_PTR result = 0;
  return ::SendMessageTimeoutW(search.found, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds),
                               SMTO_ABORTIFHUNG, kSendTimeoutMs, &result) != 0 &&
         result != 0;
}

std::optional<std::vector<std::string>> secondStartArgs(LPARAM copyData) {
  const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(copyData);
  if (!cds || cds->dwData != kSecondStartData || cds->cbData % sizeof(wchar_t) != 0)
    return std::nullopt;
  std::wstring_view all(static_cast<const wchar_t*>(cds->lpData), cds->cbData / sizeof(wchar_t));
  std::vector<std::string> args;
  while (!all.empty()) {
    const std::size_t end = all.find(L'\0');
    args.push_back(win32::narrow(all.substr(0, end)));
    all.remove_prefix(end == std::wstring_view::npos ? all.size() : end + 1);
  }
  return args;
}

void closeOwnedMessageBox(HWND owner) {
  BoxSearch search{owner};
  ::EnumThreadWindows(::GetCurrentThreadId(), findBox, reinterpret_cast<LPARAM>(&search));
  if (search.found) ::PostMessageW(search.found, WM_COMMAND, IDOK, 0);
}

std::vector<std::string> commandArguments() {
  struct LocalFreer {
    void operator()(LPWSTR* p) const { ::LocalFree(p); }
  };
  // shell32.dll is looked up in the system folder only, never beside the program.
  static const auto split =
      win32::lateBound<decltype(&::CommandLineToArgvW)>(L"shell32.dll", "CommandLineToArgvW");
  int n = 0;
  std::unique_ptr<LPWSTR, LocalFreer> argv(split ? split(::GetCommandLineW(), &n) : nullptr);
  std::vector<std::string> args;
  if (!argv) return args;
  for (int i = 1; i < n; ++i) args.push_back(win32::narrow(argv.get()[i]));
  return args;
}

}  // namespace varnolt::gui
