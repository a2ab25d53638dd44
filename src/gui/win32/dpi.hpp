// Window sizes for a DPI.
#pragma once

#include "platform/win32/win_util.hpp"

namespace varnolt::gui {

// Functions of newer systems, looked up so that the program still starts without them.
template <typename F>
F systemFunction(const wchar_t* module, const char* name) {
  HMODULE m = ::GetModuleHandleW(module);
  if (!m) return nullptr;
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(::GetProcAddress(m, name)));
}

// The outer rectangle of a window with client area `r` at `dpi`.
inline void adjustForDpi(RECT& r, DWORD style, bool menu, DWORD exStyle, int dpi) {
  using Fn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  static const Fn adjust = systemFunction<Fn>(L"user32.dll", "AdjustWindowRectExForDpi");
  if (adjust)
    adjust(&r, style, menu, exStyle, static_cast<UINT>(dpi));
  else
    ::AdjustWindowRectEx(&r, style, menu, exStyle);
}

}  // namespace varnolt::gui
