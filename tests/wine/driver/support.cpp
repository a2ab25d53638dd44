#include "support.hpp"

#include <shlobj.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdint>

namespace vt {

// ---------------------------------------------------------------- output and checks

namespace {
int passed = 0, failed = 0;
}  // namespace

std::string utf8(std::wstring_view w) {
  if (w.empty()) return {};
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                      nullptr, nullptr);
  std::string s(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                        nullptr);
  return s;
}

void say(const std::string& line) {
  std::string l = line + "\n";
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), l.data(), static_cast<DWORD>(l.size()), &written,
              nullptr);
}

std::string shown(std::wstring_view w) {
  std::string s;
  for (char c : utf8(w)) {
    if (c == '\r')
      s += "\\r";
    else if (c == '\n')
      s += "\\n";
    else
      s += c;
  }
  return s;
}

void check(bool ok, const std::string& name, const std::string& detail) {
  if (ok) {
    ++passed;
    say("ok - " + name);
  } else {
    ++failed;
    say("FAIL - " + name + (detail.empty() ? "" : ": " + detail));
  }
}

int passedCount() {
  return passed;
}
int failedCount() {
  return failed;
}

// ---------------------------------------------------------------- waiting

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    ::Sleep(20);
  }
  return done();
}

double msSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

// ---------------------------------------------------------------- windows

std::wstring classOf(HWND h) {
  wchar_t b[256] = {};
  const int n = ::GetClassNameW(h, b, 256);
  return std::wstring(b, static_cast<std::size_t>(std::max(0, n)));
}

std::wstring textOf(HWND h) {
  DWORD_PTR len = 0;
  if (!::SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &len)) return {};
  std::vector<wchar_t> b(len + 1, L'\0');
  DWORD_PTR got = 0;
  if (!::SendMessageTimeoutW(h, WM_GETTEXT, b.size(), reinterpret_cast<LPARAM>(b.data()),
                             SMTO_ABORTIFHUNG, 5000, &got))
    return {};
  return std::wstring(b.data(), got);
}

LRESULT sendTimed(HWND h, UINT msg, WPARAM w, LPARAM l) {
  DWORD_PTR r = 0;
  ::SendMessageTimeoutW(h, msg, w, l, SMTO_ABORTIFHUNG, 5000, &r);
  return static_cast<LRESULT>(r);
}

std::vector<HWND> topLevel() {
  std::vector<HWND> v;
  ::EnumWindows(
      [](HWND h, LPARAM p) {
        reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&v));
  return v;
}

std::vector<HWND> children(HWND parent) {
  std::vector<HWND> v;
  ::EnumChildWindows(
      parent,
      [](HWND h, LPARAM p) {
        reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&v));
  return v;
}

DWORD pidOf(HWND h) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(h, &pid);
  return pid;
}

HWND findTop(DWORD pid, const std::wstring& cls, const std::wstring& caption) {
  for (HWND h : topLevel())
    if ((pid == 0 || pidOf(h) == pid) && ::IsWindowVisible(h) && classOf(h) == cls &&
        (caption.empty() || textOf(h) == caption))
      return h;
  return nullptr;
}

HWND findChild(HWND parent, const std::wstring& cls, const std::wstring& text) {
  for (HWND h : children(parent))
    if (classOf(h) == cls && textOf(h) == text) return h;
  return nullptr;
}

RECT rectOf(HWND h) {
  RECT r{};
  ::GetWindowRect(h, &r);
  return r;
}
int widthOf(const RECT& r) {
  return r.right - r.left;
}
int heightOf(const RECT& r) {
  return r.bottom - r.top;
}

std::wstring tabText(HWND tab, int index) {
  RemoteMemory remote(tab, sizeof(TCITEMW) + 256 * sizeof(wchar_t));
  if (!remote.at()) return {};
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = reinterpret_cast<wchar_t*>(remote.at() + sizeof(TCITEMW));
  item.cchTextMax = 256;
  remote.write(0, &item, sizeof item);
  if (!sendTimed(tab, TCM_GETITEMW, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(remote.at())))
    return {};
  wchar_t buf[256] = {};
  remote.read(sizeof(TCITEMW), buf, sizeof buf - sizeof(wchar_t));
  return buf;
}

std::wstring listViewText(HWND list, int item, int subItem) {
  constexpr int kChars = 1024;
  RemoteMemory remote(list, sizeof(LVITEMW) + kChars * sizeof(wchar_t));
  if (!remote.at()) return {};
  LVITEMW it{};
  it.iSubItem = subItem;
  it.pszText = reinterpret_cast<wchar_t*>(remote.at() + sizeof(LVITEMW));
  it.cchTextMax = kChars;
  remote.write(0, &it, sizeof it);
  const auto n = static_cast<std::size_t>(sendTimed(
      list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(remote.at())));
  std::vector<wchar_t> buf(kChars, L'\0');
  remote.read(sizeof(LVITEMW), buf.data(), (kChars - 1) * sizeof(wchar_t));
  return std::wstring(buf.data(), std::min<std::size_t>(n, kChars - 1));
}

RECT remoteRect(HWND h, UINT msg, WPARAM w, RECT r) {
  RemoteMemory remote(h, sizeof(RECT));
  if (!remote.at()) return {};
  remote.write(0, &r, sizeof r);
  sendTimed(h, msg, w, reinterpret_cast<LPARAM>(remote.at()));
  remote.read(0, &r, sizeof r);
  return r;
}

RECT listViewItemRect(HWND list, int item) {
  return remoteRect(list, LVM_GETITEMRECT, static_cast<WPARAM>(item), {LVIR_BOUNDS, 0, 0, 0});
}

std::wstring statusText(HWND statusBar, int part) {
  const auto length = LOWORD(
      static_cast<DWORD>(sendTimed(statusBar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(part))));
  if (length == 0) return {};
  std::vector<wchar_t> buf(static_cast<std::size_t>(length) + 1, L'\0');
  RemoteMemory remote(statusBar, buf.size() * sizeof(wchar_t));
  if (!remote.at()) return {};
  remote.write(0, buf.data(), buf.size() * sizeof(wchar_t));
  sendTimed(statusBar, SB_GETTEXTW, static_cast<WPARAM>(part),
            reinterpret_cast<LPARAM>(remote.at()));
  remote.read(0, buf.data(), length * sizeof(wchar_t));
  return std::wstring(buf.data(), length);
}

int listCount(HWND list) {
  return static_cast<int>(sendTimed(list, LVM_GETITEMCOUNT));
}

std::wstring listText(HWND list, int item, int subItem) {
  RemoteMemory remote(list, sizeof(LVITEMW) + 520 * sizeof(wchar_t));
  if (!remote.at()) return {};
  LVITEMW it{};
  it.iSubItem = subItem;
  it.pszText = reinterpret_cast<wchar_t*>(remote.at() + sizeof(LVITEMW));
  it.cchTextMax = 520;
  remote.write(0, &it, sizeof it);
  const auto n = sendTimed(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item),
                           reinterpret_cast<LPARAM>(remote.at()));
  std::vector<wchar_t> buf(521, L'\0');
  remote.read(sizeof(LVITEMW), buf.data(), 520 * sizeof(wchar_t));
  return std::wstring(buf.data(), static_cast<std::size_t>(std::max<LRESULT>(0, n)));
}

bool listChecked(HWND list, int item) {
  const auto state =
      sendTimed(list, LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_STATEIMAGEMASK);
  return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

RECT listItemRect(HWND list, int item) {
  RECT r{};
  r.left = LVIR_BOUNDS;
  RemoteMemory remote(list, sizeof r);
  if (!remote.at() || !remote.write(0, &r, sizeof r)) return {};
  if (!sendTimed(list, LVM_GETITEMRECT, static_cast<WPARAM>(item),
                 reinterpret_cast<LPARAM>(remote.at())))
    return {};
  remote.read(0, &r, sizeof r);
  POINT corners[2] = {{r.left, r.top}, {r.right, r.bottom}};
  ::MapWindowPoints(list, nullptr, corners, 2);
  return {corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

bool sendFileDrop(HWND target, const std::vector<std::wstring>& paths) {
  // DROPFILES followed by the wide paths, each ended by a NUL, and a final NUL: the
  // memory block the shell hands over with WM_DROPFILES, here placed in the target's
  // own process.
  std::wstring names;
  for (const auto& p : paths) names += p + L'\0';
  names += L'\0';
  DROPFILES head{};
  head.pFiles = sizeof head;
  head.fWide = TRUE;
  RemoteMemory remote(target, sizeof head + names.size() * sizeof(wchar_t));
  if (!remote.at() || !remote.write(0, &head, sizeof head) ||
      !remote.write(sizeof head, names.data(), names.size() * sizeof(wchar_t)))
    return false;
  DWORD_PTR r = 0;
  return ::SendMessageTimeoutW(target, WM_DROPFILES, reinterpret_cast<WPARAM>(remote.at()), 0,
                               SMTO_ABORTIFHUNG, 5000, &r) != 0;
}

// ---------------------------------------------------------------- files and texts

std::string readFile(const std::wstring& path) {
  Handle f(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr));
  if (!f) return {};
  std::string bytes;
  char b[4096];
  DWORD got = 0;
  while (::ReadFile(f.get(), b, sizeof b, &got, nullptr) && got) bytes.append(b, got);
  return bytes;
}

bool writeFile(const std::wstring& path, const std::string& bytes) {
  Handle f(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD n = 0;
  return f && ::WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr) &&
         n == bytes.size();
}

bool exists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::int64_t fileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA a{};
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &a)) return -1;
  return (static_cast<std::int64_t>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
}

std::string cp932(std::wstring_view w) {
  if (w.empty()) return {};
  const int n = ::WideCharToMultiByte(932, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                      nullptr, nullptr);
  std::string s(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(932, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                        nullptr);
  return s;
}

std::string hex(const std::string& bytes, std::size_t max) {
  static const char* d = "0123456789ABCDEF";
  std::string s;
  for (std::size_t i = 0; i < bytes.size() && i < max; ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    s += d[c >> 4];
    s += d[c & 15];
    s += ' ';
  }
  return s;
}

std::vector<std::wstring> lines(const std::wstring& text) {
  std::vector<std::wstring> v;
  std::size_t start = 0;
  for (;;) {
    std::size_t e = text.find(L"\r\n", start);
    if (e == std::wstring::npos) break;
    v.push_back(text.substr(start, e - start));
    start = e + 2;
  }
  if (start < text.size()) v.push_back(text.substr(start));
  return v;
}

bool endsWith(const std::wstring& s, const std::wstring& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::wstring joinPath(const std::wstring& a, const std::wstring& b) {
  return a + L"\\" + b;
}

bool saveBitmap(HWND h, const std::wstring& path) {
  RECT r = rectOf(h);
  const int w = widthOf(r), ht = heightOf(r);
  HDC screen = ::GetDC(nullptr);
  HDC mem = ::CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = ht;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bmp = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(mem, bmp);
  ::BitBlt(mem, 0, 0, w, ht, screen, r.left, r.top, SRCCOPY);
  ::GdiFlush();
  const DWORD stride = ((static_cast<DWORD>(w) * 3 + 3) & ~3u);
  const DWORD imageSize = stride * static_cast<DWORD>(ht);
  BITMAPFILEHEADER fh{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
  fh.bfSize = fh.bfOffBits + imageSize;
  bool ok = false;
  {
    Handle f(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (f) {
      DWORD n = 0;
      ok = ::WriteFile(f.get(), &fh, sizeof fh, &n, nullptr) &&
           ::WriteFile(f.get(), &bi.bmiHeader, sizeof bi.bmiHeader, &n, nullptr) &&
           ::WriteFile(f.get(), bits, imageSize, &n, nullptr);
    }
  }
  ::SelectObject(mem, old);
  ::DeleteObject(bmp);
  ::DeleteDC(mem);
  ::ReleaseDC(nullptr, screen);
  return ok;
}

std::wstring designSettings(const std::wstring& controller) {
  std::wstring s = L"/Label2.Caption\r\n" + controller + L"\r\n/text4.text\r\n未設定\r\n";
  for (int i = 0; i < 9; ++i)
    s += L"/Option1(" + std::to_wstring(i) + L").Value\r\n" + (i == 5 ? L"True" : L"False") +
         L"\r\n";
  s += L"/Check1.Value\r\n0\r\n/Check2.Value\r\n0\r\n\r\n";
  return s;
}

// ---------------------------------------------------------------- the program under test

Varnolt::Varnolt(const std::wstring& exe, const std::wstring& folder, int windowTimeoutMs,
                 const std::wstring& arguments) {
  std::wstring command = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  const auto started = std::chrono::steady_clock::now();
  if (!::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &si, &pi))
    return;
  process_ = Handle(pi.hProcess);
  thread_ = Handle(pi.hThread);
  pid_ = pi.dwProcessId;
  waitFor(
      [&] {
        main = findTop(pid_, L"VarnoltMain", L"Varnolt");
        return main != nullptr;
      },
      windowTimeoutMs);
  startMs = msSince(started);
  // The pages out of sight are made while the window already answers, one at a time: the
  // tests read them, so they wait until each tab's page holds its windows and the step
  // under way has ended.
  waitFor(
      [&] {
        HWND t = main ? tabs() : nullptr;
        if (!t) return true;
        int built = 0;
        for (HWND p = ::GetWindow(t, GW_CHILD); p; p = ::GetWindow(p, GW_HWNDNEXT))
          built += ::GetWindow(p, GW_CHILD) != nullptr;
        return built >= sendTimed(t, TCM_GETITEMCOUNT);
      },
      windowTimeoutMs);
  if (main) sendTimed(main, WM_NULL);
}

Varnolt::~Varnolt() {
  if (process_) {
    if (running()) ::TerminateProcess(process_.get(), 9);
    ::WaitForSingleObject(process_.get(), 5000);
  }
}

bool Varnolt::running() const {
  return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

bool Varnolt::waitExit(int ms) const {
  return ::WaitForSingleObject(process_.get(), static_cast<DWORD>(ms)) == WAIT_OBJECT_0;
}

HWND Varnolt::child(const std::wstring& cls, const std::wstring& text) const {
  return findChild(main, cls, text);
}

HWND Varnolt::logBox() const {
  for (HWND h : children(main))
    if (classOf(h) == L"Edit" && (::GetWindowLongW(h, GWL_STYLE) & ES_MULTILINE)) return h;
  return nullptr;
}

HWND Varnolt::tabs() const {
  for (HWND h : children(main))
    if (classOf(h) == L"SysTabControl32") return h;
  return nullptr;
}

HWND Varnolt::statusBar() const {
  for (HWND h : children(main))
    if (classOf(h) == L"msctls_statusbar32") return h;
  return nullptr;
}

HWND Varnolt::messageBox(int timeoutMs) const {
  HWND box = nullptr;
  waitFor(
      [&] {
        box = findTop(pid(), L"#32770", L"");
        return box != nullptr;
      },
      timeoutMs);
  return box;
}

bool Varnolt::selectTab(int index) const {
  HWND t = tabs();
  // Arrow keys are how a user moves between tabs from the keyboard.
  for (int i = 0; i < 6; ++i) sendTimed(t, WM_KEYDOWN, VK_LEFT, 0);
  for (int i = 0; i < index; ++i) sendTimed(t, WM_KEYDOWN, VK_RIGHT, 0);
  return sendTimed(t, TCM_GETCURSEL) == index;
}

std::wstring boxMessage(HWND box) {
  std::wstring all;
  for (HWND h : children(box))
    if (classOf(h) == L"Static") all += textOf(h);
  return all;
}

void answer(HWND box, int id) {
  HWND button = ::GetDlgItem(box, id);
  ::PostMessageW(button ? button : box, BM_CLICK, 0, 0);
}

}  // namespace vt
