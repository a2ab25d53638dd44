// Nothing planted beside Varnolt.exe is loaded. The program lives in a folder the user can
// write to, and Windows looks in the program's folder first for a library loaded by its
// bare name. dll-marker.dll (tests/wine/planted), built beside this driver, is planted
// there under the names of libraries that Varnolt and the system libraries it uses load
// at run time; it leaves NAME.loaded when a process loads it. Wine is told to prefer a
// native library for those names, so that the search order decides, as on Windows. A
// probe shows first that a planted library is loaded that way, and that restricting the
// search to the system folder keeps it out.
#include "groups.hpp"
#include "xdo.hpp"

#include "platform/win32/win_util.hpp"

namespace winetest {

namespace {

Xdo xdo;

const std::wstring kPlanted[] = {L"uxtheme.dll", L"dwmapi.dll", L"comdlg32.dll", L"shell32.dll"};

std::wstring folderOf(const std::wstring& path) {
  return path.substr(0, path.find_last_of(L'\\'));
}

// The folder of this driver, where run.sh places the marker and the probe.
std::wstring driverFolder() {
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  return folderOf(self);
}

// While it lives, Wine loads a native library before its own for the planted names in
// the programs `exes`: what WINEDLLOVERRIDES="uxtheme,...=n,b" does, written per program
// in the registry, because Wine's loader takes WINEDLLOVERRIDES from the environment Wine
// was started with, and the environment a Windows program hands to the programs it starts
// does not reach it.
class PreferNative {
 public:
  explicit PreferNative(std::vector<std::wstring> exes) : exes_(std::move(exes)) {
    for (const std::wstring& exe : exes_) {
      varnolt::win32::UniqueKey key;
      if (::RegCreateKeyExW(HKEY_CURRENT_USER, keyOf(exe).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                            nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        continue;
      const std::wstring order = L"native,builtin";
      for (const std::wstring& dll : kPlanted)
        ::RegSetValueExW(key.get(), dll.substr(0, dll.size() - 4).c_str(), 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(order.c_str()),
                         static_cast<DWORD>((order.size() + 1) * sizeof(wchar_t)));
    }
  }
  ~PreferNative() {
    for (const std::wstring& exe : exes_)
      ::RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\Wine\\AppDefaults\\" + exe).c_str());
  }
  PreferNative(const PreferNative&) = delete;
  PreferNative& operator=(const PreferNative&) = delete;

 private:
  static std::wstring keyOf(const std::wstring& exe) {
    return L"Software\\Wine\\AppDefaults\\" + exe + L"\\DllOverrides";
  }
  std::vector<std::wstring> exes_;
};

// A fresh folder holding a copy of `program` and the marker under each of `names`.
std::wstring plantedFolder(const std::wstring& work, const std::wstring& name,
                           const std::wstring& program, const std::vector<std::wstring>& names) {
  const std::wstring folder = installVarnolt(work, name, program);
  const std::wstring marker = joinPath(driverFolder(), L"dll-marker.dll");
  for (const std::wstring& dll : names) {
    ::CopyFileW(marker.c_str(), joinPath(folder, dll).c_str(), FALSE);
    ::DeleteFileW(joinPath(folder, dll + L".loaded").c_str());
  }
  return folder;
}

// Which planted libraries were loaded, and into which programs.
std::string loadedFrom(const std::wstring& folder) {
  std::string found;
  for (const std::wstring& dll : kPlanted) {
    const std::wstring proof = joinPath(folder, dll + L".loaded");
    if (!exists(proof)) continue;
    // One program path a line, in UTF-8.
    std::string by;
    for (char c : readFile(proof))
      if (c != '\r') by += c == '\n' ? ' ' : c;
    found += (found.empty() ? "" : "; ") + utf8(dll) + " into " + by;
  }
  return found.empty() ? "none" : found;
}

// Runs `exe ARGS` in its folder to its end: its exit status, or -1.
int runToEnd(const std::wstring& exe, const std::wstring& args) {
  Handle process = startProcess(exe, args, folderOf(exe));
  DWORD code = 0;
  if (!process || ::WaitForSingleObject(process.get(), 20000) != WAIT_OBJECT_0 ||
      !::GetExitCodeProcess(process.get(), &code))
    return -1;
  return static_cast<int>(code);
}

// What LoadLibraryW loads by bare name beside a program is the planted library, until the
// search is restricted to the system folder: the test below can see a planted library.
void probeSearchOrder(const std::wstring& work) {
  say("# a probe beside the planted libraries, Wine preferring native ones");
  const std::wstring folder =
      plantedFolder(work, L"planted probe", joinPath(driverFolder(), L"dll-probe.exe"),
                    {std::begin(kPlanted), std::end(kPlanted)});
  const std::wstring probe = joinPath(folder, L"dll-probe.exe");
  std::wstring names;
  for (const std::wstring& dll : kPlanted) names += L" " + dll;
  PreferNative prefer({L"dll-probe.exe"});
  int status = runToEnd(probe, names);
  const std::string loaded = loadedFrom(folder);
  bool all = true;
  for (const std::wstring& dll : kPlanted) all = all && exists(joinPath(folder, dll + L".loaded"));
  check(status == 0 && all,
        "LoadLibraryW(L\"dwmapi.dll\") and the others load the libraries planted in the "
        "program's folder",
        "exit " + std::to_string(status) + ", loaded: " + loaded);
  for (const std::wstring& dll : kPlanted)
    ::DeleteFileW(joinPath(folder, dll + L".loaded").c_str());
  status = runToEnd(probe, L"restricted" + names);
  check(status == 0 && loadedFrom(folder) == "none",
        "after SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) they load the system's",
        "exit " + std::to_string(status) + ", loaded: " + loadedFrom(folder));
}

// Cancels a dialog with a click on its cancel button.
bool cancelDialog(HWND dialog) {
  xdo.click(::GetDlgItem(dialog, IDCANCEL));
  return waitFor([&] { return !::IsWindow(dialog); }, 5000);
}

// Varnolt beside the planted libraries, used where it loads libraries at run time.
void varnoltBesidePlanted(const Env& env) {
  say("# Varnolt.exe beside planted " + [] {
    std::string names;
    for (const std::wstring& dll : kPlanted) names += (names.empty() ? "" : ", ") + utf8(dll);
    return names;
  }());
  const std::wstring folder = plantedFolder(env.work, L"植えた dll", env.varnolt,
                                            {std::begin(kPlanted), std::end(kPlanted)});
  const std::wstring chm = joinPath(folder, L"help.chm");
  ::CopyFileW(env.helpChm().c_str(), chm.c_str(), FALSE);
  writeFile(joinPath(folder, L"default.ini"), cp932(designSettings()));
  const std::wstring dropped = joinPath(folder, L"番組.m2t");
  writeFile(dropped, "m2t");
  for (const Viewer& old : viewers()) closeViewer(old.pid);
  {
    PreferNative prefer({L"Varnolt.exe"});
    Varnolt v(folder);
    if (v.opened("Varnolt opens beside the planted libraries")) {
      ::Sleep(500);
      v.selectTab(4);
      xdo.click(v.child(L"Button", L"ＲＣ選択"));
      HWND open =
          v.dialog([](HWND d) { return textOf(d) == L"ﾛｸﾗｸｺﾝﾄﾛｰﾗを選んでください"; }, 15000);
      check(open && cancelDialog(open),
            "a click on ＲＣ選択 opens the file dialog, キャンセル closes it");

      xdo.click(v.child(L"Button", L"パス取得"));
      HWND browser = v.folderBrowser(15000);
      check(browser && cancelDialog(browser),
            "a click on パス取得 opens the folder browser, キャンセル closes it");

      // ヘルプ(&H) > ヘルプ(&H): the shell starts the viewer on help.chm.
      xdo.keys({"alt+h"});
      xdo.keys({"h"});
      const Viewer viewer = waitForViewer(chm, 15000);
      check(viewer.pid != 0, "Alt+H, H starts the help viewer on help.chm");
      if (viewer.pid) closeViewer(viewer.pid);

      v.selectTab(2);
      HWND list = conversionList(v);
      check(list && sendFileDrop(list, {dropped}) && listCount(list) == 1,
            "a .m2t file dropped on the conversion list is listed");

      v.quit();
      check(v.waitExit(10000), "Varnolt ends on Yes");
    }
  }
  check(loadedFrom(folder) == "none", "no planted library was loaded", loadedFrom(folder));
}

}  // namespace

void dllSearchTests(const Env& env) {
  if (!xdo.available()) {
    check(false, "xdotool requests are served (WINETEST_XDOTOOL_DIR)");
    return;
  }
  probeSearchOrder(env.work);
  varnoltBesidePlanted(env);
}

}  // namespace winetest
