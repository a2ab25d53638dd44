#include "gui/win32/panel.hpp"

#include <windowsx.h>

namespace varnolt::gui {

namespace {

// Panel window extra bytes: its look, and the font it draws a frame caption with.
constexpr int kPanelLook = 0;
constexpr int kPanelFont = sizeof(LONG_PTR);
enum PanelLook : LONG_PTR { kNoFrame = 0, kGroupBox = 1 };

void paintGroupBox(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(hwnd, &ps);
  RECT r;
  ::GetClientRect(hwnd, &r);
  auto font = reinterpret_cast<HFONT>(::GetWindowLongPtrW(hwnd, kPanelFont));
  HGDIOBJ old = font ? ::SelectObject(dc, font) : nullptr;
  TEXTMETRICW tm;
  ::GetTextMetricsW(dc, &tm);
  RECT edge = r;
  edge.top += tm.tmHeight / 2;
  ::DrawEdge(dc, &edge, EDGE_ETCHED, BF_RECT);
  wchar_t text[256];
  const int n = ::GetWindowTextW(hwnd, text, 256);
  if (n > 0) {
    ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
    ::SetTextColor(dc, ::GetSysColor(::IsWindowEnabled(hwnd) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    ::SetBkMode(dc, OPAQUE);
    RECT t{tm.tmAveCharWidth, 0, r.right - tm.tmAveCharWidth, tm.tmHeight};
    ::DrawTextW(dc, text, n, &t, DT_SINGLELINE | DT_LEFT | DT_TOP);
  }
  if (old) ::SelectObject(dc, old);
  ::EndPaint(hwnd, &ps);
}

LRESULT CALLBACK panelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case kMsgChildPressed:
      // The top-level window owns every handler.
      return ::SendMessageW(::GetAncestor(hwnd, GA_ROOT), msg, wParam, lParam);
    case WM_PARENTNOTIFY:
      if (LOWORD(wParam) == WM_LBUTTONDOWN) {
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        HWND child = ::ChildWindowFromPointEx(hwnd, pt, CWP_SKIPINVISIBLE);
        if (child && child != hwnd)
          ::SendMessageW(::GetAncestor(hwnd, GA_ROOT), kMsgChildPressed,
                         reinterpret_cast<WPARAM>(child), 0);
      }
      return 0;
    case WM_SETFONT:
      ::SetWindowLongPtrW(hwnd, kPanelFont, static_cast<LONG_PTR>(wParam));
      if (lParam) ::InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return ::GetWindowLongPtrW(hwnd, kPanelFont);
    case WM_SETTEXT: {
      LRESULT r = ::DefWindowProcW(hwnd, msg, wParam, lParam);
      ::InvalidateRect(hwnd, nullptr, TRUE);
      return r;
    }
    case WM_PAINT:
      if (::GetWindowLongPtrW(hwnd, kPanelLook) == kGroupBox) {
        paintGroupBox(hwnd);
        return 0;
      }
      break;
    default:
      break;
  }
  return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

void registerPanelClass(HINSTANCE instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  // A frame draws its border along its edges: a size change repaints all of it.
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = panelProc;
  wc.cbWndExtra = 2 * sizeof(LONG_PTR);
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kPanelClass;
  ::RegisterClassExW(&wc);
}

void showAsGroupBox(HWND panel) {
  ::SetWindowLongPtrW(panel, kPanelLook, kGroupBox);
}

}  // namespace varnolt::gui
