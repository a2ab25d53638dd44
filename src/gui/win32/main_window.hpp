// The main window Form1 and the program's modal dialogs on real windows.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/form1.hpp"
#include "controls/form.hpp"
#include "gui/win32/taskbar_progress.hpp"
#include "gui/win32/widgets.hpp"
#include "platform/win32/win_platform.hpp"

namespace varnolt::gui {

class MainWindow {
 public:
  MainWindow(HINSTANCE instance, win32::WinPlatform& ports, Form1& form);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates the window, runs Form_Load and shows it.
  bool create(int showCommand);
  // The message loop; returns the program's exit code.
  int run();

  HWND hwnd() const { return hwnd_.get(); }

 private:
  static LRESULT CALLBACK mainProc(HWND, UINT, WPARAM, LPARAM);
  // The modal dialogs (modal_dialog.cpp): their window class, the main window's with
  // their own procedure, and the loop that shows one.
  static bool registerDialogClass(WNDCLASSEXW wc);
  static LRESULT CALLBACK dialogProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT handle(UINT msg, WPARAM wParam, LPARAM lParam);
  bool preTranslate(MSG& msg);
  bool keyboardNavigation(const MSG& msg);
  // The menu bar (hidden menus go to popups_), before the window it belongs to.
  HMENU buildMenus();
  void makeFont();
  void readSize();
  void showModal(controls::ModalForm& form);
  int windowDpi(HWND h) const;

  HINSTANCE instance_;
  win32::WinPlatform& ports_;
  Form1& form_;
  // Declared so that the window goes before the font, icons and menus it uses.
  win32::UniqueGdi font_;
  win32::UniqueAccel accel_;
  win32::UniqueIcon icon_, smallIcon_;
  // Menus hidden from the menu bar, kept for use as context menus.
  std::map<std::string, win32::UniqueMenu> popups_;
  std::map<int, controls::MenuItem*> menuIds_;
  win32::UniqueWindow hwnd_;
  std::unique_ptr<WidgetHost> host_;
  std::unique_ptr<TaskbarProgress> taskbar_;
  int dpi_ = 96;
  // Form_Load has run: from then on a size change is a resize event of the form.
  bool loaded_ = false;
  // The dialog being shown modally (nullptr when none).
  HWND modal_ = nullptr;
  WidgetHost* modalHost_ = nullptr;
  // The control that had the focus when the window was last deactivated.
  HWND lastFocus_ = nullptr;
  // Second starts' arguments, handled in order.
  std::vector<std::vector<std::string>> secondStarts_;
  struct Modal;
};

}  // namespace varnolt::gui
