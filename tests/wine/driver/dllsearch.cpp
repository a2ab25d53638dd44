// Nothing planted beside Varnolt.exe under a system library's name is loaded: Windows looks in a
// program's folder first for a library loaded by bare name. dll-marker.dll leaves NAME.loaded
// where it is loaded; a probe shows first that Wine loads it unless the search is restricted.
#include "groups.hpp"
#include "xdo.hpp"

namespace winetest {

namespace {

const std::wstring kPlanted[] = {L"uxtheme.dll", L"dwmapi.dll", L"comdlg32.dll", L"shell32.dll"};

std::wstring folderOf(const std::wstring& path) {
  return path.substr(0, path.find_last_of(L'\\'));
}

std::wstring plantedNames(const std::wstring& separator) {
  std::wstring names;
  for (const std::wstring& dll : kPlanted) names += (names.empty() ? L"" : separator) + dll;
  return names;
}

// While it lives, Wine prefers a native library for the planted names in the program `exe`: set
// in the registry, as the loader reads WINEDLLOVERRIDES only from the environment Wine started in.
class PreferNative {
 public:
  explicit PreferNative(const std::wstring& exe) : key_(L"Software\\Wine\\AppDefaults\\" + exe) {
    const std::wstring order = L"native,builtin";
    for (const std::wstring& dll : kPlanted)
      ::RegSetKeyValueW(HKEY_CURRENT_USER, (key_ + L"\\DllOverrides").c_str(),
                        dll.substr(0, dll.size() - 4).c_str(), REG_SZ, order.c_str(),
                        static_cast<DWORD>((order.size() + 1) * sizeof(wchar_t)));
  }
  ~PreferNative() { ::RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()); }
  PreferNative(const PreferNative&) = delete;
  PreferNative& operator=(const PreferNative&) = delete;

 private:
  std::wstring key_;
};

std::wstring proofOf(const std::wstring& folder, const std::wstring& dll) {
  return joinPath(folder, dll + L".loaded");
}

// `program` and the marker (run.sh puts it beside Varnolt.exe) under every planted name.
std::wstring plantedFolder(const Env& env, const std::wstring& name, const std::wstring& program) {
  const std::wstring folder = installVarnolt(env.work, name, program);
  const std::wstring marker = joinPath(folderOf(env.varnolt), L"dll-marker.dll");
  for (const std::wstring& dll : kPlanted) {
    ::CopyFileW(marker.c_str(), joinPath(folder, dll).c_str(), FALSE);
    ::DeleteFileW(proofOf(folder, dll).c_str());
  }
  return folder;
}

// Which planted libraries were loaded and into which programs, or "none"; `all` when each was.
std::string loadedFrom(const std::wstring& folder, bool* all = nullptr) {
  std::string found;
  if (all) *all = true;
  for (const std::wstring& dll : kPlanted) {
    const bool loaded = exists(proofOf(folder, dll));
    if (all) *all = *all && loaded;
    if (loaded)
      found += (found.empty() ? "" : "; ") + utf8(dll) + " into " +
               shown(readFile(proofOf(folder, dll)));
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

// Proof that the test below can see a planted library: Wine loads it unless told not to.
void probeSearchOrder(const Env& env) {
  say("# a probe beside the planted libraries, Wine preferring native ones");
  const std::wstring folder =
      plantedFolder(env, L"planted probe", joinPath(folderOf(env.varnolt), L"dll-probe.exe"));
  const std::wstring probe = joinPath(folder, L"dll-probe.exe");
  PreferNative prefer(L"dll-probe.exe");
  int status = runToEnd(probe, plantedNames(L" "));
  bool all = false;
  const std::string loaded = loadedFrom(folder, &all);
  check(status == 0 && all,
        "LoadLibraryW(L\"dwmapi.dll\") and the others load the libraries planted in the "
        "program's folder",
        "exit " + std::to_string(status) + ", loaded: " + loaded);
  for (const std::wstring& dll : kPlanted) ::DeleteFileW(proofOf(folder, dll).c_str());
  status = runToEnd(probe, L"restricted " + plantedNames(L" "));
  check(status == 0 && loadedFrom(folder) == "none",
        "after SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) they load the system's",
        "exit " + std::to_string(status) + ", loaded: " + loadedFrom(folder));
}

// Varnolt beside the planted libraries, used where it loads libraries at run time.
void varnoltBesidePlanted(const Env& env, Xdo& xdo) {
  say("# Varnolt.exe beside planted " + utf8(plantedNames(L", ")));
  const std::wstring folder = plantedFolder(env, L"植えた dll", env.varnolt);
  const std::wstring chm = joinPath(folder, L"help.chm");
  ::CopyFileW(env.helpChm().c_str(), chm.c_str(), FALSE);
  writeFile(joinPath(folder, L"default.ini"), cp932(designSettings()));
  const std::wstring dropped = joinPath(folder, L"番組.m2t");
  writeFile(dropped, "m2t");
  for (const Viewer& old : viewers()) closeViewer(old.pid);
  // Whether `dialog` came and a click on its cancel button closed it.
  auto cancels = [&](HWND dialog) {
    return dialog && xdo.click(::GetDlgItem(dialog, IDCANCEL)) &&
           waitFor([&] { return !::IsWindow(dialog); }, 5000);
  };
  {
    PreferNative prefer(L"Varnolt.exe");
    Varnolt v(folder);
    if (v.opened("Varnolt opens beside the planted libraries")) {
      ::Sleep(500);
      v.selectTab(4);
      xdo.click(v.child(L"Button", L"ＲＣ選択"));
      check(cancels(
                v.dialog([](HWND d) { return textOf(d) == L"ﾛｸﾗｸｺﾝﾄﾛｰﾗを選んでください"; }, 15000)),
            "a click on ＲＣ選択 opens the file dialog, キャンセル closes it");
      xdo.click(v.child(L"Button", L"パス取得"));
      check(cancels(v.folderBrowser(15000)),
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
  Xdo xdo;
  if (!xdo.available()) {
    check(false, "xdotool requests are served (WINETEST_XDOTOOL_DIR)");
    return;
  }
  probeSearchOrder(env);
  varnoltBesidePlanted(env, xdo);
}

}  // namespace winetest
