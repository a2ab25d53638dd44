// The program's modal dialogs on real windows: a dialog window over the window that
// opens it, its own widget host and a message loop that runs until the dialog closes.
#include "gui/win32/dpi.hpp"
#include "gui/win32/main_window.hpp"

namespace varnolt::gui {

using controls::as;
using controls::Button;
using win32::widen;

namespace {

constexpr wchar_t kDialogClass[] = L"VarnoltDialog";
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kDialogExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

}  // namespace

struct MainWindow::Modal {
  controls::ModalForm* form = nullptr;
  std::unique_ptr<WidgetHost> host;
};

bool MainWindow::registerDialogClass(WNDCLASSEXW wc) {
  wc.lpfnWndProc = dialogProc;
  wc.lpszClassName = kDialogClass;
  return ::RegisterClassExW(&wc) != 0;
}

void MainWindow::showModal(controls::ModalForm& form) {
  form.Form_Load();
  Modal m;
  m.form = &form;
  HWND owner = modal_ ? modal_ : hwnd_.get();
  RECT r{0, 0, win32::twipsToPixels(form.width, dpi_), win32::twipsToPixels(form.height, dpi_)};
  adjustForDpi(r, kDialogStyle, false, kDialogExStyle, dpi_);
  const int w = r.right - r.left, ht = r.bottom - r.top;
  // Centred over the window that opens it.
  RECT o;
  ::GetWindowRect(owner, &o);
  const int x = o.left + ((o.right - o.left) - w) / 2, y = o.top + ((o.bottom - o.top) - ht) / 2;
  win32::UniqueWindow dlg(::CreateWindowExW(kDialogExStyle, kDialogClass,
                                            widen(form.caption).c_str(), kDialogStyle, x, y, w, ht,
                                            owner, nullptr, instance_, &m));
  if (!dlg) {
    form.close();
    return;
  }
  m.host = std::make_unique<WidgetHost>(
      dlg.get(), form.all(), [&form](std::string_view n) { return form.find(n); }, icon_.get());
  m.host->build(dpi_, static_cast<HFONT>(font_.get()));
  m.host->finish();

  HWND previous = modal_;
  WidgetHost* previousHost = modalHost_;
  modal_ = dlg.get();
  modalHost_ = m.host.get();
  ::EnableWindow(owner, FALSE);
  ::ShowWindow(dlg.get(), SW_SHOW);
  if (HWND first = m.host->firstStop()) ::SetFocus(first);
  MSG msg;
  while (!form.closed()) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (preTranslate(msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  form.close();
  // The owner is enabled before the dialog goes, so that it gets the activation back.
  ::EnableWindow(owner, TRUE);
  modal_ = previous;
  modalHost_ = previousHost;
  ::SetActiveWindow(owner);
  m.host.reset();
  dlg.reset();
}

LRESULT CALLBACK MainWindow::dialogProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* m = reinterpret_cast<Modal*>(::GetWindowLongPtrW(h, GWLP_USERDATA));
  if (!m || !m->host) {
    if (m && msg == WM_CLOSE) {
      m->form->close();
      return 0;
    }
    return ::DefWindowProcW(h, msg, wParam, lParam);
  }
  switch (msg) {
    case WM_COMMAND:
      if (lParam == 0 && LOWORD(wParam) == IDOK) {
        // Enter: the button with the focus is pressed, anywhere else the default button,
        // as in any dialog.
        if (auto* focused = as<Button>(m->host->controlOf(::GetFocus())))
          focused->click();
        else if (m->form->defaultButton)
          m->form->defaultButton->click();
        return 0;
      }
      if (lParam == 0 && LOWORD(wParam) == IDCANCEL) {
        // Esc: the cancel button, else what the close box does.
        if (m->form->cancelButton)
          m->form->cancelButton->click();
        else
          m->form->close();
        return 0;
      }
      if (m->host->onCommand(wParam, lParam)) return 0;
      break;
    case WM_NOTIFY: {
      LRESULT result = 0;
      if (m->host->onNotify(*reinterpret_cast<const NMHDR*>(lParam), result)) return result;
      break;
    }
    case kMsgChildPressed:
      m->host->onChildPressed(reinterpret_cast<HWND>(wParam));
      return 0;
    case WM_TIMER:
      // A long text that comes a slice at a time, as in the main window.
      if (m->host->onTimer(wParam)) return 0;
      break;
    case WM_CLOSE:
      m->form->close();
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(h, msg, wParam, lParam);
}

}  // namespace varnolt::gui
