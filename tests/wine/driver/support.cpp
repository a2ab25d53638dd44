#include "support.hpp"
#include "xdo.hpp"

#include <shlobj.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdint>

namespace winetest {

// ---------------------------------------------------------------- output and checks

namespace {
int passed = 0, failed = 0;

std::string narrow(UINT codePage, std::wstring_view w) {
  if (w.empty()) return {};
  const int n = ::WideCharToMultiByte(codePage, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                      nullptr, nullptr);
  std::string s(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(codePage, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                        nullptr);
  return s;
}

BOOL CALLBACK collect(HWND h, LPARAM found) {
  reinterpret_cast<std::vector<HWND>*>(found)->push_back(h);
  return TRUE;
}
}  // namespace

std::string utf8(std::wstring_view w) {
  return narrow(CP_UTF8, w);
}

void say(const std::string& line) {
  std::string l = line + "\n";
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), l.data(), static_cast<DWORD>(l.size()), &written,
              nullptr);
}

std::string shown(std::wstring_view w) {
  return shown(utf8(w));
}

std::string shown(std::string_view utf8Text) {
  std::string s;
  for (char c : utf8Text) {
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

HWND awaitWindow(const std::function<HWND()>& find, int timeoutMs) {
  HWND found = nullptr;
  waitFor(
      [&] {
        found = find();
        return found != nullptr;
      },
      timeoutMs);
  return found;
}

Handle startProcess(const std::wstring& exe, const std::wstring& arguments,
                    const std::wstring& folder, DWORD* pid) {
  std::wstring command = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &si, &pi))
    return Handle();
  Handle thread(pi.hThread);
  if (pid) *pid = pi.dwProcessId;
  return Handle(pi.hProcess);
}

double msSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

std::string spread(std::vector<double> ms) {
  if (ms.empty()) return "none measured";
  std::sort(ms.begin(), ms.end());
  return "median of " + std::to_string(ms.size()) + ": " +
         std::to_string(static_cast<int>(ms[ms.size() / 2])) + " ms (min " +
         std::to_string(static_cast<int>(ms.front())) + ", max " +
         std::to_string(static_cast<int>(ms.back())) + ")";
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
  ::EnumWindows(collect, reinterpret_cast<LPARAM>(&v));
  return v;
}

std::vector<HWND> children(HWND parent) {
  std::vector<HWND> v;
  ::EnumChildWindows(parent, collect, reinterpret_cast<LPARAM>(&v));
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

bool buttonChecked(HWND button) {
  return button && sendTimed(button, BM_GETCHECK) == BST_CHECKED;
}

HWND shownChild(HWND parent, const std::wstring& cls, const std::wstring& text) {
  HWND found = nullptr;
  for (HWND h : children(parent))
    if (classOf(h) == cls && ::IsWindowVisible(h) && (text.empty() || textOf(h) == text)) found = h;
  return found;
}

HWND focusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
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

RECT remoteRect(HWND h, UINT msg, WPARAM w, RECT r) {
  RemoteMemory remote(h, sizeof(RECT));
  if (!remote.at()) return {};
  remote.write(0, &r, sizeof r);
  sendTimed(h, msg, w, reinterpret_cast<LPARAM>(remote.at()));
  remote.read(0, &r, sizeof r);
  return r;
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

int listCheckImage(HWND list, int item) {
  const auto state =
      sendTimed(list, LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_STATEIMAGEMASK);
  return static_cast<int>((state & LVIS_STATEIMAGEMASK) >> 12);
}

bool listChecked(HWND list, int item) {
  return listCheckImage(list, item) == 2;
}

RECT listItemRect(HWND list, int item) {
  RECT r = remoteRect(list, LVM_GETITEMRECT, static_cast<WPARAM>(item), {LVIR_BOUNDS, 0, 0, 0});
  ::MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
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

std::wstring fromCp932(const std::string& bytes) {
  const int n =
      ::MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), w.data(), n);
  return w;
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
  return narrow(932, w);
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

std::vector<std::wstring> logMessages(const std::wstring& text) {
  std::vector<std::wstring> messages;
  for (const auto& l : lines(text)) {
    const auto cut = l.rfind(L"   ");
    if (cut != std::wstring::npos) messages.push_back(l.substr(cut + 3));
  }
  return messages;
}

bool inOrder(const std::vector<std::wstring>& seen, const std::vector<std::wstring>& want,
             std::string* missing) {
  std::size_t at = 0;
  for (const auto& line : seen)
    if (at < want.size() && line == want[at]) ++at;
  if (at < want.size()) *missing = "missing \"" + utf8(want[at]) + "\"";
  return at == want.size();
}

Shot capture(HWND h) {
  Shot s;
  const RECT r = rectOf(h);
  s.width = widthOf(r);
  s.height = heightOf(r);
  HDC screen = ::GetDC(nullptr);
  HDC mem = ::CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = s.width;
  bi.bmiHeader.biHeight = -s.height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bmp = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(mem, bmp);
  ::BitBlt(mem, 0, 0, s.width, s.height, screen, r.left, r.top, SRCCOPY);
  ::GdiFlush();
  const auto* p = static_cast<const std::uint32_t*>(bits);
  if (p)
    s.pixels.assign(p, p + static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.height));
  ::SelectObject(mem, old);
  ::DeleteObject(bmp);
  ::DeleteDC(mem);
  ::ReleaseDC(nullptr, screen);
  return s;
}

bool saveBitmap(HWND h, const std::wstring& path) {
  const Shot s = capture(h);
  // Rows bottom up, three bytes a pixel (blue, green, red), each row padded to four bytes.
  const std::size_t stride = (static_cast<std::size_t>(s.width) * 3 + 3) & ~std::size_t{3};
  std::string image(stride * static_cast<std::size_t>(s.height), '\0');
  for (int y = 0; y < s.height && !s.pixels.empty(); ++y)
    for (int x = 0; x < s.width; ++x) {
      const std::uint32_t c =
          s.pixels[static_cast<std::size_t>(s.height - 1 - y) * static_cast<std::size_t>(s.width) +
                   static_cast<std::size_t>(x)];
      char* at =
          image.data() + static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x) * 3;
      at[0] = static_cast<char>(c & 0xFF);
      at[1] = static_cast<char>((c >> 8) & 0xFF);
      at[2] = static_cast<char>((c >> 16) & 0xFF);
    }
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = s.width;
  info.biHeight = s.height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(image.size());
  return writeFile(path, std::string(reinterpret_cast<const char*>(&file), sizeof file) +
                             std::string(reinterpret_cast<const char*>(&info), sizeof info) +
                             image);
}

std::wstring designSettings(const std::wstring& controller, const std::wstring& downloadFolder,
                            int choice, bool check1, bool check2) {
  std::wstring s =
      L"/Label2.Caption\r\n" + controller + L"\r\n/text4.text\r\n" + downloadFolder + L"\r\n";
  for (int i = 0; i < 9; ++i)
    s += L"/Option1(" + std::to_wstring(i) + L").Value\r\n" + (i == choice ? L"True" : L"False") +
         L"\r\n";
  s += std::wstring(L"/Check1.Value\r\n") + (check1 ? L"1" : L"0") + L"\r\n/Check2.Value\r\n" +
       (check2 ? L"1" : L"0") + L"\r\n\r\n";
  return s;
}

std::wstring installVarnolt(const std::wstring& work, const std::wstring& name,
                            const std::wstring& program, const std::wstring& settings) {
  const std::wstring folder = joinPath(work, name);
  ::CreateDirectoryW(work.c_str(), nullptr);
  ::CreateDirectoryW(folder.c_str(), nullptr);
  ::DeleteFileW(joinPath(folder, L"log.ini").c_str());
  ::DeleteFileW(joinPath(folder, L"default.ini").c_str());
  ::CopyFileW(program.c_str(),
              joinPath(folder, program.substr(program.find_last_of(L'\\') + 1)).c_str(), FALSE);
  if (!settings.empty()) writeFile(joinPath(folder, L"default.ini"), cp932(settings));
  return folder;
}

// ---------------------------------------------------------------- the program under test

Varnolt::Varnolt(const std::wstring& exe, const std::wstring& folder, int windowTimeoutMs,
                 const std::wstring& arguments) {
  const auto started = std::chrono::steady_clock::now();
  process_ = startProcess(exe, arguments, folder, &pid_);
  if (!process_) return;
  main = awaitWindow([&] { return findTop(pid_, L"VarnoltMain", L"Varnolt"); }, windowTimeoutMs);
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
  return awaitWindow([&] { return findTop(pid(), L"#32770", L""); }, timeoutMs);
}

bool Varnolt::selectTab(int index) const {
  HWND t = tabs();
  // Arrow keys are how a user moves between tabs from the keyboard.
  for (int i = 0; i < 6; ++i) sendTimed(t, WM_KEYDOWN, VK_LEFT, 0);
  for (int i = 0; i < index; ++i) sendTimed(t, WM_KEYDOWN, VK_RIGHT, 0);
  return sendTimed(t, TCM_GETCURSEL) == index;
}

HWND Varnolt::dialog(const std::function<bool(HWND)>& ready, int timeoutMs) const {
  return awaitWindow(
      [&] {
        HWND d = findTop(pid(), L"#32770", L"");
        return d && ready(d) ? d : nullptr;
      },
      timeoutMs);
}

HWND Varnolt::folderBrowser(int timeoutMs) const {
  return dialog([](HWND d) { return findChild(d, L"SysTreeView32", L"") != nullptr; }, timeoutMs);
}

bool Varnolt::opened(const std::string& what) const {
  check(main != nullptr, what);
  return main != nullptr;
}

void Varnolt::quit(int timeoutMs) const {
  ::PostMessageW(main, WM_CLOSE, 0, 0);
  if (HWND box = messageBox(timeoutMs)) answer(box, IDYES);
}

bool Varnolt::pageShown(int k) const {
  if (kPageMarks[k]) return shownChild(main, L"Button", kPageMarks[k]) != nullptr;
  HWND log = logBox();
  return log && ::IsWindowVisible(log);
}

bool Varnolt::screenshot(const std::wstring& path) const {
  ::RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  ::Sleep(300);
  return saveBitmap(main, path);
}

HWND Varnolt::shownList() const {
  return shownChild(main, L"SysListView32");
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

HWND conversionList(const Varnolt& v) {
  for (HWND h : children(v.main)) {
    if (classOf(h) != L"SysListView32") continue;
    const auto ex = sendTimed(h, LVM_GETEXTENDEDLISTVIEWSTYLE);
    HWND header = reinterpret_cast<HWND>(sendTimed(h, LVM_GETHEADER));
    if ((ex & LVS_EX_CHECKBOXES) && header && sendTimed(header, HDM_GETITEMCOUNT) == 6) return h;
  }
  return nullptr;
}

// ---------------------------------------------------------------- the stand-in controller

namespace {
// The caption the system keeps for another program's window: no message is sent, so a
// hung stand-in is found too.
std::wstring captionOf(HWND h) {
  wchar_t b[256] = {};
  const int n = ::GetWindowTextW(h, b, 256);
  return std::wstring(b, static_cast<std::size_t>(std::max(0, n)));
}
}  // namespace

std::vector<HWND> standIns() {
  std::vector<HWND> v;
  for (HWND h : topLevel())
    if (::IsWindowVisible(h) && classOf(h) == kStandInClass && captionOf(h) == kStandInTitle)
      v.push_back(h);
  return v;
}

void closeStandIns() {
  for (HWND h : topLevel()) {
    if (classOf(h) != kStandInClass) continue;
    Handle p(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pidOf(h)));
    ::PostMessageW(h, WM_CLOSE, 0, 0);
    // A hung stand-in never handles WM_CLOSE.
    if (p && ::WaitForSingleObject(p.get(), 3000) != WAIT_OBJECT_0) {
      ::TerminateProcess(p.get(), 9);
      ::WaitForSingleObject(p.get(), 5000);
    }
  }
  waitFor([] { return standIns().empty(); }, 3000);
}

std::wstring installStandIn(const std::wstring& folder, const std::wstring& rokuCtrlExe,
                            const std::string& ini) {
  const std::wstring exe = joinPath(folder, L"RokuCtrl.exe");
  ::CreateDirectoryW(folder.substr(0, folder.find_last_of(L'\\')).c_str(), nullptr);
  ::CreateDirectoryW(folder.c_str(), nullptr);
  ::CopyFileW(rokuCtrlExe.c_str(), exe.c_str(), FALSE);
  if (!ini.empty()) writeFile(joinPath(folder, L"RokuCtrl.ini"), ini);
  return exe;
}

HWND openPathDialog(Xdo& xdo, const Varnolt& v, HWND list, int row, bool checked) {
  const RECT r = listItemRect(list, row);
  const int x = r.left + 60, y = (r.top + r.bottom) / 2;
  xdo.bringToFront(v.main, x, y);
  const std::string which = "row " + std::to_string(row + 1);
  const bool clicked = xdo.click(x, y, 3);
  if (checked) check(clicked, "a right click on " + which);
  const bool menu = waitFor([&] { return findTop(v.pid(), L"#32768", L"") != nullptr; }, 5000);
  if (checked) check(menu, "the pop-up menu opens");
  if (!menu) return nullptr;
  // Down five times passes over "ファイルを追加..." and the separators to "変換先変更".
  xdo.keys({"Down", "Down", "Down", "Down", "Down", "Return"});
  HWND dialog =
      awaitWindow([&] { return findTop(v.pid(), L"VarnoltDialog", L"変換先変更"); }, 5000);
  if (checked) check(dialog != nullptr, "\"変換先変更\" opens the path entry dialog");
  return dialog;
}

}  // namespace winetest
