// Varnolt.exe: the main window on the Windows backend.
#include "app/form1.hpp"
#include "gui/win32/main_window.hpp"
#include "platform/win32/win_platform.hpp"

#include <commctrl.h>
#include <objbase.h>

namespace {

// The folder browser needs COM on the user-interface thread.
class ComApartment {
 public:
  ComApartment() : ok_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComApartment() {
    if (ok_) ::CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool ok_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  ComApartment com;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_TAB_CLASSES |
                                           ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES |
                                           ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&icc);

  varnolt::win32::WinPlatform os;
  varnolt::Form1 form(os.platform);
  varnolt::gui::MainWindow window(instance, os, form);
  if (!window.create(showCommand)) return 1;
  return window.run();
}
