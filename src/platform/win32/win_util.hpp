// Small helpers of the Windows backend: UTF-8 <-> UTF-16 and owners of system handles.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "common/text_rules.hpp"

namespace varnolt::win32 {

// The program keeps UTF-8; Windows speaks UTF-16.
std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);
// Code page conversions with the system's replacement rules.
std::string toCodePage(std::wstring_view utf16, unsigned codePage);
std::wstring fromCodePage(std::string_view bytes, unsigned codePage);

// The 32-bit handle the program stores, and back. Window handles carry 32 significant
// bits even in 64-bit processes and are sign-extended.
inline HWND toHwnd(Hwnd h) {
  return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(h)));
}
inline Hwnd fromHwnd(HWND h) {
  return static_cast<Hwnd>(reinterpret_cast<std::uintptr_t>(h) & 0xFFFFFFFFu);
}

// One owner type for every kind of handle: Traits says what "none" is and how to close.
template <typename Traits>
class Unique {
 public:
  using T = typename Traits::Type;
  Unique() = default;
  explicit Unique(T h) : h_(h) {}
  ~Unique() { reset(); }
  Unique(Unique&& o) noexcept : h_(std::exchange(o.h_, Traits::none())) {}
  Unique& operator=(Unique&& o) noexcept {
    if (this != &o) {
      reset();
      h_ = std::exchange(o.h_, Traits::none());
    }
    return *this;
  }
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;

  T get() const { return h_; }
  explicit operator bool() const { return h_ != Traits::none(); }
  T release() { return std::exchange(h_, Traits::none()); }
  void reset(T h = Traits::none()) {
    if (h_ != Traits::none()) Traits::close(h_);
    h_ = h;
  }
  // For out-parameters of the API.
  T* put() {
    reset();
    return &h_;
  }

 private:
  T h_ = Traits::none();
};

struct KernelHandleTraits {
  using Type = HANDLE;
  static HANDLE none() { return nullptr; }
  static void close(HANDLE h) { ::CloseHandle(h); }
};
struct FileHandleTraits {
  using Type = HANDLE;
  static HANDLE none() { return INVALID_HANDLE_VALUE; }
  static void close(HANDLE h) { ::CloseHandle(h); }
};
struct RegKeyTraits {
  using Type = HKEY;
  static HKEY none() { return nullptr; }
  static void close(HKEY h) { ::RegCloseKey(h); }
};
struct WindowTraits {
  using Type = HWND;
  static HWND none() { return nullptr; }
  static void close(HWND h) {
    if (::IsWindow(h)) ::DestroyWindow(h);
  }
};
struct MenuTraits {
  using Type = HMENU;
  static HMENU none() { return nullptr; }
  static void close(HMENU h) { ::DestroyMenu(h); }
};
struct GdiTraits {
  using Type = HGDIOBJ;
  static HGDIOBJ none() { return nullptr; }
  static void close(HGDIOBJ h) { ::DeleteObject(h); }
};
struct AccelTraits {
  using Type = HACCEL;
  static HACCEL none() { return nullptr; }
  static void close(HACCEL h) { ::DestroyAcceleratorTable(h); }
};
struct IconTraits {
  using Type = HICON;
  static HICON none() { return nullptr; }
  static void close(HICON h) { ::DestroyIcon(h); }
};
// A function of a system library that the start-up does not need (the shell, the
// common dialogs, COM), found when it is first called: the library and everything it
// brings are loaded then, not before the window is shown. The library stays loaded for
// the rest of the process. nullptr when the system has no such function. Only the system
// folder is searched: never a library of that name beside the program.
template <typename F>
F lateBound(const wchar_t* library, const char* name) {
  HMODULE m = ::LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  return m ? reinterpret_cast<F>(reinterpret_cast<void (*)()>(::GetProcAddress(m, name))) : nullptr;
}

struct PidlTraits {
  using Type = void*;
  static void* none() { return nullptr; }
  static void close(void* p) {
    static const auto free = lateBound<void(WINAPI*)(LPVOID)>(L"ole32.dll", "CoTaskMemFree");
    if (free) free(p);
  }
};

using UniqueHandle = Unique<KernelHandleTraits>;
using UniqueFile = Unique<FileHandleTraits>;
using UniqueKey = Unique<RegKeyTraits>;
using UniqueWindow = Unique<WindowTraits>;
using UniqueMenu = Unique<MenuTraits>;
using UniqueGdi = Unique<GdiTraits>;
using UniqueAccel = Unique<AccelTraits>;
using UniqueIcon = Unique<IconTraits>;
using UniquePidl = Unique<PidlTraits>;

// Twips and pixels at a given DPI (1440 twips per inch).
inline int twipsToPixels(int twips, int dpi) {
  return ::MulDiv(twips, dpi, 1440);
}
inline int pixelsToTwips(int pixels, int dpi) {
  return ::MulDiv(pixels, 1440, dpi);
}

}  // namespace varnolt::win32
