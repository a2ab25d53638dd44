// Varnolt.exe: the main window on the Windows backend.
#include "app/form1.hpp"
#include "app/single_instance.hpp"
#include "gui/win32/main_window.hpp"
#include "gui/win32/single_instance_win.hpp"
#include "platform/win32/win_platform.hpp"

#include <commctrl.h>
#include <objbase.h>

namespace {

// The folder browser and the shell need COM on the user-interface thread. Its library
// is loaded when the apartment is entered, after the window is shown.
class ComApartment {
 public:
  ComApartment()
      : init_(
            varnolt::win32::lateBound<decltype(&::CoInitializeEx)>(L"ole32.dll", "CoInitializeEx")),
        uninit_(
            varnolt::win32::lateBound<decltype(&::CoUninitialize)>(L"ole32.dll", "CoUninitialize")),
        ok_(init_ && uninit_ && SUCCEEDED(init_(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComApartment() {
    if (ok_) uninit_();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  decltype(&::CoInitializeEx) init_;
  decltype(&::CoUninitialize) uninit_;
  bool ok_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  // Varnolt sits in a folder the user can write to (its settings and log beside it), and a
  // library loaded by bare name is looked for in the program's folder first: a file planted
  // there as uxtheme.dll or shell32.dll would run inside Varnolt. From here on, every
  // library loaded by bare name, by Varnolt or by the system libraries it uses, comes from
  // the system folder, and the current folder is never searched.
  ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  ::SetDllDirectoryW(L"");
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_TAB_CLASSES |
                                           ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES |
                                           ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  // The first call into comctl32.dll, which is delay-loaded so that it comes after the
  // restriction (cmake/windows.cmake).
  ::InitCommonControlsEx(&icc);

  varnolt::win32::WinPlatform ports;
  const std::vector<std::string> args = varnolt::gui::commandArguments();
  // A second Varnolt of this folder would write its default.ini and log.ini too: the
  // running one takes the command line instead.
  varnolt::gui::SingleInstance single(ports.platform.appPath);
  if (!single.first()) return single.handOver(args) ? 0 : 1;
  varnolt::Form1 form(ports.platform);
  form.autoStart = varnolt::isAutoCommandLine(args);
  varnolt::gui::MainWindow window(instance, ports, form);
  if (!window.create(showCommand)) return 1;
  single.mark(window.hwnd());
  form.closeFinalBox = [&window] { varnolt::gui::closeOwnedMessageBox(window.hwnd()); };
  // Nothing before the first message needs COM.
  ComApartment com;
  form.commandLine(args);
  return window.run();
}
