// startup-min.exe: the least a program with Varnolt's kind of window does to show it. A
// top-level window with a tab control, a report list view with two columns and a row of
// buttons with Japanese captions, in a 9-point Japanese UI face, shown and painted;
// then the message loop. Built and linked as Varnolt.exe is (static, comctl32 v6 and
// per-monitor DPI awareness from its manifest), so that the start-up benchmark compares
// the work of the programs and nothing else.
#include <windows.h>

#include <commctrl.h>

namespace {

LRESULT CALLBACK proc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(h, msg, wParam, lParam);
}

HWND child(const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h,
           HWND parent, HFONT font) {
  HWND c = ::CreateWindowExW(0, cls, text, style | WS_CHILD | WS_VISIBLE, x, y, w, h, parent,
                             nullptr, ::GetModuleHandleW(nullptr), nullptr);
  ::SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return c;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES};
  ::InitCommonControlsEx(&icc);

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"StartupMin";
  if (!::RegisterClassExW(&wc)) return 1;

  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  LOGFONTW lf{};
  lf.lfHeight = -::MulDiv(9, dpi, 72);
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = SHIFTJIS_CHARSET;
  lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  ::lstrcpynW(lf.lfFaceName, L"MS UI Gothic", LF_FACESIZE);
  HFONT font = ::CreateFontIndirectW(&lf);

  auto px = [dpi](int v) { return ::MulDiv(v, dpi, 96); };
  HWND top =
      ::CreateWindowExW(0, L"StartupMin", L"Varnolt", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, px(700), px(560), nullptr, nullptr, instance, nullptr);
  if (!top) return 1;
  HWND tab = child(WC_TABCONTROLW, L"", WS_CLIPSIBLINGS, px(8), px(8), px(676), px(460), top, font);
  const wchar_t* tabs[] = {L"ダウンロード", L"変換", L"設定", L"ログ"};
  for (int i = 0; i < 4; ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(tabs[i]);
    ::SendMessageW(tab, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
  HWND list =
      ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT,
                        px(16), px(40), px(660), px(420), top, nullptr, instance, nullptr);
  ::SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  const wchar_t* columns[] = {L"タイトル", L"録画日時"};
  for (int i = 0; i < 2; ++i) {
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.cx = px(i == 0 ? 400 : 200);
    col.pszText = const_cast<wchar_t*>(columns[i]);
    ::SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&col));
  }
  const wchar_t* buttons[] = {L"リスト取得", L"ダウンロード開始", L"中止", L"終了"};
  for (int i = 0; i < 4; ++i)
    child(L"BUTTON", buttons[i], WS_TABSTOP | BS_PUSHBUTTON, px(8 + i * 140), px(480), px(130),
          px(28), top, font);

  ::ShowWindow(top, showCommand);
  ::UpdateWindow(top);
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  ::DeleteObject(font);
  return static_cast<int>(msg.wParam);
}
