#include "gui/win32/main_window.hpp"

#include <commctrl.h>

#include "gui/win32/dpi.hpp"
#include "gui/win32/resource.h"
#include "gui/win32/single_instance_win.hpp"

namespace varnolt::gui {

using controls::as;
using controls::Control;
using controls::MenuItem;

using win32::narrow;
using win32::widen;

namespace {

constexpr wchar_t kMainClass[] = L"VarnoltMain";
constexpr int kFirstMenuId = 5000;
// Client area of the main window as designed.
constexpr int kDesignClientWidth = 10410, kDesignClientHeight = 7965;
constexpr DWORD kMainStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD kMainExStyle = WS_EX_CONTROLPARENT;

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, win32::WinPlatform& ports, Form1& form)
    : instance_(instance), ports_(ports), form_(form) {}

MainWindow::~MainWindow() {
  ports_.clock.preTranslate = nullptr;
  ports_.dialogs.owner = nullptr;
  ports_.dialogs.modalRenderer = nullptr;
  ports_.platform.mainWindow = nullptr;
  form_.resizeWindow = nullptr;
  form_.destroyWindow = nullptr;
  form_.showPopup = nullptr;
  form_.focusWindow = nullptr;
  form_.onRunProgress = nullptr;
}

int MainWindow::windowDpi(HWND h) const {
  using Fn = UINT(WINAPI*)(HWND);
  static const Fn forWindow = systemFunction<Fn>(L"user32.dll", "GetDpiForWindow");
  if (forWindow && h) return static_cast<int>(forWindow(h));
  HDC dc = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
  ::ReleaseDC(nullptr, dc);
  return dpi > 0 ? dpi : 96;
}

namespace {

int CALLBACK fontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool fontInstalled(const wchar_t* face) {
  LOGFONTW lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  ::lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
  bool found = false;
  HDC dc = ::GetDC(nullptr);
  ::EnumFontFamiliesExW(dc, &lf, fontFound, reinterpret_cast<LPARAM>(&found), 0);
  ::ReleaseDC(nullptr, dc);
  return found;
}

}  // namespace

void MainWindow::makeFont() {
  NONCLIENTMETRICSW ncm{};
  ncm.cbSize = sizeof ncm;
  ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
  LOGFONTW lf = ncm.lfMessageFont;
  // A proportional Japanese UI face at 9 points: the captions were laid out for its
  // narrow kana; the system's message font (often wider) only when none is installed.
  for (const wchar_t* face : {L"MS UI Gothic", L"IPAPGothic"}) {
    if (!fontInstalled(face)) continue;
    ::lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
    lf.lfCharSet = SHIFTJIS_CHARSET;
    lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    break;
  }
  lf.lfHeight = -::MulDiv(9, dpi_, 72);
  lf.lfWidth = 0;
  lf.lfWeight = FW_NORMAL;
  lf.lfItalic = FALSE;
  font_.reset(::CreateFontIndirectW(&lf));
}

HMENU MainWindow::buildMenus() {
  HMENU bar = ::CreateMenu();
  std::vector<ACCEL> accels;
  int index = 0;
  for (Control* c : form_.all()) {
    auto* m = as<MenuItem>(c);
    if (!m || !m->parent.empty()) continue;
    HMENU popup = ::CreatePopupMenu();
    for (Control* k : form_.all()) {
      auto* item = as<MenuItem>(k);
      if (!item || item->parent != m->name()) continue;
      if (item->separator()) {
        ::AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
        continue;
      }
      const int id = kFirstMenuId + index++;
      menuIds_[id] = item;
      std::string text = item->caption();
      if (!item->shortcut.empty()) text += "\t" + item->shortcut;
      ::AppendMenuW(popup, MF_STRING | (item->enabled() ? 0u : MF_GRAYED),
                    static_cast<UINT_PTR>(id), widen(text).c_str());
      if (item->shortcut == "F1") accels.push_back({FVIRTKEY, VK_F1, static_cast<WORD>(id)});
      // "Ctrl+" and a capital letter.
      if (item->shortcut.size() == 6 && item->shortcut.starts_with("Ctrl+"))
        accels.push_back(
            {FVIRTKEY | FCONTROL, static_cast<WORD>(item->shortcut[5]), static_cast<WORD>(id)});
      // The menu goes with the window (or with popups_); a change after that is for nobody.
      item->subscribe([popup, id](Control& changed, controls::Property property) {
        if (property == controls::Property::Enabled && ::IsMenu(popup))
          ::EnableMenuItem(popup, static_cast<UINT>(id),
                           MF_BYCOMMAND | (changed.enabled() ? MF_ENABLED : MF_GRAYED));
      });
    }
    if (m->visible())
      ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), widen(m->caption()).c_str());
    else
      popups_[m->name()].reset(popup);  // context menus, shown where the list asks for them
  }
  if (!accels.empty())
    accel_.reset(::CreateAcceleratorTableW(accels.data(), static_cast<int>(accels.size())));
  return bar;
}

bool MainWindow::create(int showCommand) {
  registerPanelClass(instance_);
  const int big = ::GetSystemMetrics(SM_CXICON), small = ::GetSystemMetrics(SM_CXSMICON);
  icon_.reset(static_cast<HICON>(
      ::LoadImageW(instance_, MAKEINTRESOURCEW(IDI_VARNOLT), IMAGE_ICON, big, big, 0)));
  smallIcon_.reset(static_cast<HICON>(
      ::LoadImageW(instance_, MAKEINTRESOURCEW(IDI_VARNOLT), IMAGE_ICON, small, small, 0)));

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = mainProc;
  wc.hInstance = instance_;
  wc.hIcon = icon_.get();
  wc.hIconSm = smallIcon_.get();
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kMainClass;
  if (!::RegisterClassExW(&wc)) return false;
  if (!registerDialogClass(wc)) return false;

  // The window is made at its size, with its menu bar, for the system's DPI; it is
  // sized again only if it opens on a monitor of another DPI.
  dpi_ = windowDpi(nullptr);
  auto designSize = [](int dpi) {
    // The design client area decides the outer size; that size is the minimum.
    RECT r{0, 0, win32::twipsToPixels(kDesignClientWidth, dpi),
           win32::twipsToPixels(kDesignClientHeight, dpi)};
    adjustForDpi(r, kMainStyle, true, kMainExStyle, dpi);
    return SIZE{r.right - r.left, r.bottom - r.top};
  };
  const SIZE size = designSize(dpi_);
  HMENU bar = buildMenus();
  HWND h = ::CreateWindowExW(kMainExStyle, kMainClass, widen(form_.caption).c_str(), kMainStyle,
                             CW_USEDEFAULT, CW_USEDEFAULT, size.cx, size.cy, nullptr, bar,
                             instance_, this);
  if (!h) {
    ::DestroyMenu(bar);
    return false;
  }
  hwnd_.reset(h);  // the window owns the bar and destroys it
  if (const int dpi = windowDpi(h); dpi != dpi_) {
    dpi_ = dpi;
    const SIZE other = designSize(dpi_);
    ::SetWindowPos(h, nullptr, 0, 0, other.cx, other.cy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  makeFont();

  host_ = std::make_unique<WidgetHost>(
      h, form_.all(), [this](std::string_view n) { return form_.find(n); }, icon_.get());
  host_->setReadingOrder(true);
  host_->build(dpi_, static_cast<HFONT>(font_.get()));

  form_.resizeWindow = [this](int w, int ht) {
    ::SetWindowPos(hwnd_.get(), nullptr, 0, 0, win32::twipsToPixels(w, dpi_),
                   win32::twipsToPixels(ht, dpi_), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  };
  form_.destroyWindow = [this] { hwnd_.reset(); };
  taskbar_ = std::make_unique<TaskbarProgress>(h);
  form_.onRunProgress = [this](const RunProgress& p) { taskbar_->show(p); };
  form_.showPopup = [this](MenuItem& menu) {
    auto it = popups_.find(menu.name());
    if (it == popups_.end() || !hwnd_) return;
    POINT at{};
    ::GetCursorPos(&at);
    // The owner in front, so that a click elsewhere closes the menu; the chosen item
    // arrives as WM_COMMAND, like a choice from the menu bar.
    ::SetForegroundWindow(hwnd_.get());
    ::TrackPopupMenu(it->second.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y,
                     0, hwnd_.get(), nullptr);
  };
  ports_.platform.mainWindow = [this] { return win32::fromHwnd(hwnd_.get()); };
  ports_.dialogs.owner = [this] { return modal_ ? modal_ : hwnd_.get(); };
  ports_.dialogs.modalRenderer = [this](controls::ModalForm& f) { showModal(f); };
  ports_.clock.preTranslate = [this](MSG& m) { return preTranslate(m); };
  form_.showPopup = [this](MenuItem& menu) {
    auto it = popups_.find(menu.name());
    if (it == popups_.end()) return;
    POINT at{};
    ::GetCursorPos(&at);
    // The chosen item comes back as WM_COMMAND, like a click in the menu bar.
    ::TrackPopupMenu(it->second.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y,
                     0, hwnd_.get(), nullptr);
  };
  form_.focusWindow = [this](Control& c) {
    // A control on a page out of sight cannot take the focus; it stays where it is.
    HWND target = host_ ? host_->windowOf(c) : nullptr;
    if (target && ::IsWindowVisible(target) && ::IsWindowEnabled(target)) ::SetFocus(target);
  };

  readSize();
  form_.Form_Load();
  loaded_ = true;
  ::ShowWindow(h, showCommand);
  // The first control of the shown page has the focus, as in any dialog.
  if (HWND first = host_->firstStop()) ::SetFocus(first);
  ::UpdateWindow(h);
  // The pages out of sight are made while the window takes input.
  host_->finishLater();
  return true;
}

void MainWindow::readSize() {
  RECT r;
  ::GetWindowRect(hwnd_.get(), &r);
  form_.width = win32::pixelsToTwips(r.right - r.left, dpi_);
  form_.height = win32::pixelsToTwips(r.bottom - r.top, dpi_);
}

bool MainWindow::keyboardNavigation(const MSG& msg) {
  if (msg.message != WM_KEYDOWN) return false;
  HWND target = modal_ ? modal_ : hwnd_.get();
  WidgetHost* host = modal_ ? modalHost_ : host_.get();
  if (!target || !host || (msg.hwnd != target && !::IsChild(target, msg.hwnd))) return false;
  const bool ctrl = ::GetKeyState(VK_CONTROL) < 0, shift = ::GetKeyState(VK_SHIFT) < 0;
  if (::GetKeyState(VK_MENU) < 0) return false;
  switch (msg.wParam) {
    case VK_TAB:
      // Ctrl+Tab and Ctrl+Shift+Tab switch pages, Tab and Shift+Tab move the focus
      // (also out of the multi-line log, which takes no tab characters).
      return ctrl ? host->switchPage(shift ? -1 : 1) : host->tabFrom(msg.hwnd, shift);
    case VK_NEXT:
    case VK_PRIOR:
      return ctrl && host->switchPage(msg.wParam == VK_NEXT ? 1 : -1);
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
      // The option buttons are not automatic ones: the arrows choose within a group here.
      return host->arrowInGroup(msg.hwnd, msg.wParam == VK_LEFT || msg.wParam == VK_UP ? -1 : 1);
    default:
      return false;
  }
}

bool MainWindow::preTranslate(MSG& msg) {
  if (!modal_ && accel_ && hwnd_ && ::TranslateAcceleratorW(hwnd_.get(), accel_.get(), &msg))
    return true;
  if (keyboardNavigation(msg)) return true;
  HWND target = modal_ ? modal_ : hwnd_.get();
  return target && ::IsDialogMessageW(target, &msg);
}

int MainWindow::run() {
  MSG msg{};
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (preTranslate(msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

LRESULT CALLBACK MainWindow::mainProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(h, GWLP_USERDATA));
  if (!self || !self->host_) {
    if (self && msg == WM_DESTROY) ::PostQuitMessage(0);
    return ::DefWindowProcW(h, msg, wParam, lParam);
  }
  return self->handle(msg, wParam, lParam);
}

LRESULT MainWindow::handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND h = hwnd_.get();
  if (taskbar_ && msg == taskbar_->buttonCreatedMessage()) {
    taskbar_->buttonCreated();
    return 0;
  }
  switch (msg) {
    case WM_COMMAND:
      if (lParam == 0) {
        auto it = menuIds_.find(LOWORD(wParam));
        if (it != menuIds_.end()) it->second->click();
        return 0;
      }
      if (host_->onCommand(wParam, lParam)) return 0;
      break;
    case WM_NOTIFY: {
      LRESULT result = 0;
      if (host_->onNotify(*reinterpret_cast<const NMHDR*>(lParam), result)) return result;
      break;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (lParam && host_->onScroll(reinterpret_cast<HWND>(lParam))) return 0;
      break;
    case WM_TIMER:
      if (host_->onTimer(wParam)) return 0;
      break;
    case kMsgChildPressed:
      host_->onChildPressed(reinterpret_cast<HWND>(wParam));
      return 0;
    case kMsgFocusLeft:
      host_->onFocusLeft(reinterpret_cast<HWND>(wParam));
      return 0;
    case WM_ACTIVATE:
      // The focus goes back where it was when the window is activated again (after a
      // message box, another program, a dialog).
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = ::GetFocus();
        if (focus && ::IsChild(h, focus)) lastFocus_ = focus;
        return 0;
      }
      break;
    case WM_SETFOCUS: {
      HWND to = lastFocus_ && ::IsChild(h, lastFocus_) && ::IsWindowVisible(lastFocus_) &&
                        ::IsWindowEnabled(lastFocus_)
                    ? lastFocus_
                    : host_->firstStop();
      if (to) ::SetFocus(to);
      return 0;
    }
    case WM_SIZE:
      host_->onTopSized();
      // A minimised window has no size to keep; restoring it raises the next event.
      if (loaded_ && wParam != SIZE_MINIMIZED) {
        readSize();
        form_.Form_Resize();
      }
      return 0;
    case WM_DPICHANGED: {
      dpi_ = HIWORD(wParam);
      makeFont();
      host_->rescale(dpi_, static_cast<HFONT>(font_.get()));
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      ::SetWindowPos(h, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_COPYDATA:
      // A second start of Varnolt from this folder: handled once the sender has its answer.
      if (auto args = secondStartArgs(lParam)) {
        secondStarts_.push_back(std::move(*args));
        ::PostMessageW(h, kMsgSecondStart, 0, 0);
        return TRUE;
      }
      break;
    case kMsgSecondStart:
      if (!secondStarts_.empty()) {
        const std::vector<std::string> args = std::move(secondStarts_.front());
        secondStarts_.erase(secondStarts_.begin());
        form_.secondStart(args);
      }
      return 0;
    case WM_CLOSE:
      // Every close, whatever its source, goes through the close request.
      form_.requestClose();
      return 0;
    case WM_QUERYENDSESSION:
      form_.requestClose();
      return form_.closed ? TRUE : FALSE;
    case WM_DESTROY:
      host_.reset();
      ::PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(h, msg, wParam, lParam);
}

}  // namespace varnolt::gui
