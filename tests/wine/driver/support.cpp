#include "support.hpp"

#include <shlobj.h>

#include <commctrl.h>

#include <algorithm>
#include <cstring>

namespace winetest {

namespace {
int passed = 0, failed = 0;

std::string narrow(UINT codePage, std::wstring_view w) {
  const int size = static_cast<int>(w.size());
  std::string s(static_cast<std::size_t>(::WideCharToMultiByte(codePage, 0, w.data(), size, nullptr,
                                                               0, nullptr, nullptr)),
                '\0');
  ::WideCharToMultiByte(codePage, 0, w.data(), size, s.data(), static_cast<int>(s.size()), nullptr,
                        nullptr);
  return s;
}
BOOL CALLBACK collect(HWND h, LPARAM found) {
  reinterpret_cast<std::vector<HWND>*>(found)->push_back(h);
  return TRUE;
}
// The first descendant of `parent` that `is` accepts.
HWND firstChild(HWND parent, const std::function<bool(HWND)>& is) {
  for (HWND h : children(parent))
    if (is(h)) return h;
  return nullptr;
}
// Sends `msg` with a pointer to `item` lent inside the control's process, its text pointer set
// to room lent after it; the text the control wrote there, empty when the message failed.
template <typename Item>
std::wstring lentText(HWND control, UINT msg, WPARAM w, Item item) {
  const int room = 520;
  RemoteMemory remote(control, sizeof item + room * sizeof(wchar_t));
  if (!remote.at()) return {};
  item.pszText = reinterpret_cast<wchar_t*>(remote.at() + sizeof item);
  item.cchTextMax = room;
  std::wstring text(room + 1, L'\0');
  remote.write(0, &item, sizeof item);
  if (!sendTimed(control, msg, w, reinterpret_cast<LPARAM>(remote.at()))) return {};
  remote.read(sizeof item, text.data(), room * sizeof(wchar_t));
  return text.c_str();
}
}  // namespace

std::string utf8(std::wstring_view w) {
  return narrow(CP_UTF8, w);
}
void say(const std::string& line) {
  const std::string l = line + "\n";
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), l.data(), static_cast<DWORD>(l.size()), &written,
              nullptr);
}
std::string shown(std::wstring_view w) {
  return shown(utf8(w));
}
std::string shown(std::string_view utf8Text) {
  std::string s;
  for (char c : utf8Text) s += c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
  return s;
}
bool check(bool ok, const std::string& name, const std::string& detail) {
  ++(ok ? passed : failed);
  say(ok ? "ok - " + name : "FAIL - " + name + (detail.empty() ? "" : ": " + detail));
  return ok;
}
int passedCount() {
  return passed;
}
int failedCount() {
  return failed;
}
bool waitFor(const std::function<bool()>& done, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (; std::chrono::steady_clock::now() < end; ::Sleep(20))
    if (done()) return true;
  return done();
}
HWND awaitWindow(const std::function<HWND()>& find, int timeoutMs) {
  HWND found = nullptr;
  waitFor([&] { return (found = find()) != nullptr; }, timeoutMs);
  return found;
}
std::string spread(std::vector<double> ms) {
  if (ms.empty()) return "none measured";
  std::sort(ms.begin(), ms.end());
  const auto whole = [](double v) { return std::to_string(static_cast<int>(v)); };
  return "median of " + std::to_string(ms.size()) + ": " + whole(ms[ms.size() / 2]) + " ms (min " +
         whole(ms.front()) + ", max " + whole(ms.back()) + ")";
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
  ::CloseHandle(pi.hThread);
  if (pid) *pid = pi.dwProcessId;
  return Handle(pi.hProcess);
}

std::wstring classOf(HWND h) {
  wchar_t b[256] = {};
  ::GetClassNameW(h, b, 256);
  return b;
}
std::wstring textOf(HWND h) {
  std::wstring b(static_cast<std::size_t>(sendTimed(h, WM_GETTEXTLENGTH)) + 1, L'\0');
  b.resize(static_cast<std::size_t>(
      sendTimed(h, WM_GETTEXT, b.size(), reinterpret_cast<LPARAM>(b.data()))));
  return b;
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
HWND findTop(DWORD pid, const std::wstring& cls, const std::wstring& caption) {
  for (HWND h : topLevel())
    if ((pid == 0 || pidOf(h) == pid) && ::IsWindowVisible(h) && classOf(h) == cls &&
        (caption.empty() || textOf(h) == caption))
      return h;
  return nullptr;
}
HWND findChild(HWND parent, const std::wstring& cls, const std::wstring& text) {
  return firstChild(parent, [&](HWND h) { return classOf(h) == cls && textOf(h) == text; });
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
std::wstring tabText(HWND tab, int index) {
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  return lentText(tab, TCM_GETITEMW, static_cast<WPARAM>(index), item);
}
std::wstring statusText(HWND statusBar, int part) {
  const auto length = LOWORD(
      static_cast<DWORD>(sendTimed(statusBar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(part))));
  if (length == 0) return {};
  RemoteMemory remote(statusBar, (length + 1u) * sizeof(wchar_t));
  if (!remote.at()) return {};
  sendTimed(statusBar, SB_GETTEXTW, static_cast<WPARAM>(part),
            reinterpret_cast<LPARAM>(remote.at()));
  std::wstring text(length, L'\0');
  remote.read(0, text.data(), length * sizeof(wchar_t));
  return text;
}
RECT remoteRect(HWND h, UINT msg, WPARAM w, RECT r) {
  RemoteMemory remote(h, sizeof(RECT));
  if (!remote.at()) return {};
  remote.write(0, &r, sizeof r);
  sendTimed(h, msg, w, reinterpret_cast<LPARAM>(remote.at()));
  remote.read(0, &r, sizeof r);
  return r;
}
int listCount(HWND list) {
  return static_cast<int>(sendTimed(list, LVM_GETITEMCOUNT));
}
std::wstring listText(HWND list, int item, int subItem) {
  LVITEMW it{};
  it.iSubItem = subItem;
  return lentText(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), it);
}
int listCheckImage(HWND list, int item) {
  const auto state =
      sendTimed(list, LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_STATEIMAGEMASK);
  return static_cast<int>((state & LVIS_STATEIMAGEMASK) >> 12);
}
RECT listItemRect(HWND list, int item) {
  RECT r = remoteRect(list, LVM_GETITEMRECT, static_cast<WPARAM>(item), {LVIR_BOUNDS, 0, 0, 0});
  ::MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}
bool sendFileDrop(HWND target, const std::vector<std::wstring>& paths) {
  // The block the shell hands over: DROPFILES, then each wide path ended by a NUL, then a NUL.
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

std::string readFile(const std::wstring& path) {
  Handle f(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr));
  std::string bytes;
  char b[4096];
  DWORD got = 0;
  while (f && ::ReadFile(f.get(), b, sizeof b, &got, nullptr) && got) bytes.append(b, got);
  return bytes;
}
std::wstring fromCp932(const std::string& bytes) {
  const int size = static_cast<int>(bytes.size());
  std::wstring w(
      static_cast<std::size_t>(::MultiByteToWideChar(932, 0, bytes.data(), size, nullptr, 0)),
      L'\0');
  ::MultiByteToWideChar(932, 0, bytes.data(), size, w.data(), static_cast<int>(w.size()));
  return w;
}
bool writeFile(const std::wstring& path, const std::string& bytes) {
  Handle f(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD n = 0;
  return f && ::WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr) &&
         n == bytes.size();
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
  const char* digits = "0123456789ABCDEF";
  std::string s;
  for (std::size_t i = 0; i < bytes.size() && i < max; ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    s += {digits[c >> 4], digits[c & 15], ' '};
  }
  return s;
}
std::vector<std::wstring> lines(const std::wstring& text) {
  std::vector<std::wstring> v;
  std::size_t start = 0;
  for (std::size_t e; (e = text.find(L"\r\n", start)) != std::wstring::npos; start = e + 2)
    v.push_back(text.substr(start, e - start));
  if (start < text.size()) v.push_back(text.substr(start));
  return v;
}
std::vector<std::wstring> logMessages(const std::wstring& text) {
  std::vector<std::wstring> messages;
  for (const auto& l : lines(text))
    if (const auto cut = l.rfind(L"   "); cut != std::wstring::npos)
      messages.push_back(l.substr(cut + 3));
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
  const RECT r = rectOf(h);
  Shot s{widthOf(r), heightOf(r), {}};
  HDC screen = ::GetDC(nullptr);
  HDC mem = ::CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof bi.bmiHeader, s.width, -s.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bmp = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(mem, bmp);
  ::BitBlt(mem, 0, 0, s.width, s.height, screen, r.left, r.top, SRCCOPY);
  ::GdiFlush();
  if (const auto* p = static_cast<const std::uint32_t*>(bits))
    s.pixels.assign(p, p + static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.height));
  ::SelectObject(mem, old);
  ::DeleteObject(bmp);
  ::DeleteDC(mem);
  ::ReleaseDC(nullptr, screen);
  return s;
}
bool saveBitmap(HWND h, const std::wstring& path) {
  const Shot s = capture(h);
  // 24 bits a pixel (a 32-bit file's fourth byte reads as alpha): rows bottom up, each padded to
  // four bytes; blue, green, red are the low three bytes of 0x00RRGGBB in little-endian memory.
  const std::size_t width = static_cast<std::size_t>(s.width),
                    stride = (width * 3 + 3) & ~std::size_t{3};
  std::string image(stride * static_cast<std::size_t>(s.height), '\0');
  for (std::size_t y = 0; y < static_cast<std::size_t>(s.height) && !s.pixels.empty(); ++y)
    for (std::size_t x = 0; x < width; ++x)
      std::memcpy(&image[y * stride + x * 3], &s.pixels[(s.height - 1 - y) * width + x], 3);
  const BITMAPINFOHEADER info{sizeof info, s.width, s.height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(image.size());
  const auto bytes = [](const void* at, std::size_t size) {
    return std::string(static_cast<const char*>(at), size);
  };
  return writeFile(path, bytes(&file, sizeof file) + bytes(&info, sizeof info) + image);
}
std::wstring designSettings(const std::wstring& controller, const std::wstring& downloadFolder,
                            int choice, bool check1, bool check2) {
  std::wstring s =
      L"/Label2.Caption\r\n" + controller + L"\r\n/text4.text\r\n" + downloadFolder + L"\r\n";
  for (int i = 0; i < 9; ++i)
    s += L"/Option1(" + std::to_wstring(i) + L").Value\r\n" + (i == choice ? L"True" : L"False") +
         L"\r\n";
  return s + L"/Check1.Value\r\n" + (check1 ? L"1" : L"0") + L"\r\n/Check2.Value\r\n" +
         (check2 ? L"1" : L"0") + L"\r\n\r\n";
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

Varnolt::Varnolt(const std::wstring& exe, const std::wstring& folder, int windowTimeoutMs,
                 const std::wstring& arguments) {
  const auto started = std::chrono::steady_clock::now();
  process_ = startProcess(exe, arguments, folder, &pid_);
  if (!process_) return;
  main = awaitWindow([&] { return findTop(pid_, L"VarnoltMain", L"Varnolt"); }, windowTimeoutMs);
  startMs = msSince(started);
  // The hidden pages are built one at a time once the window answers: wait until every
  // tab's page holds its windows, then for the step under way to end.
  waitFor(
      [&] {
        HWND t = main ? tabs() : nullptr;
        int built = 0;
        for (HWND p = t ? ::GetWindow(t, GW_CHILD) : nullptr; p; p = ::GetWindow(p, GW_HWNDNEXT))
          built += ::GetWindow(p, GW_CHILD) != nullptr;
        return !t || built >= sendTimed(t, TCM_GETITEMCOUNT);
      },
      windowTimeoutMs);
  if (main) sendTimed(main, WM_NULL);
}
Varnolt::~Varnolt() {
  if (running()) ::TerminateProcess(process_.get(), 9);
  if (process_) ::WaitForSingleObject(process_.get(), 5000);
}
HWND Varnolt::logBox() const {
  return firstChild(main, [](HWND h) {
    return classOf(h) == L"Edit" && (::GetWindowLongW(h, GWL_STYLE) & ES_MULTILINE);
  });
}
HWND Varnolt::tabs() const {
  return firstChild(main, [](HWND h) { return classOf(h) == L"SysTabControl32"; });
}
HWND Varnolt::statusBar() const {
  return firstChild(main, [](HWND h) { return classOf(h) == L"msctls_statusbar32"; });
}
HWND Varnolt::dialog(const std::function<bool(HWND)>& ready, int timeoutMs) const {
  return awaitWindow(
      [&] {
        HWND d = findTop(pid(), L"#32770", L"");
        return d && ready(d) ? d : nullptr;
      },
      timeoutMs);
}
bool Varnolt::selectTab(int index) const {
  HWND t = tabs();
  // Arrow keys are how a user moves between tabs from the keyboard.
  for (int i = 0; i < 6; ++i) sendTimed(t, WM_KEYDOWN, VK_LEFT, 0);
  for (int i = 0; i < index; ++i) sendTimed(t, WM_KEYDOWN, VK_RIGHT, 0);
  return sendTimed(t, TCM_GETCURSEL) == index;
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
  return firstChild(v.main, [](HWND h) {
    if (classOf(h) != L"SysListView32") return false;
    HWND header = reinterpret_cast<HWND>(sendTimed(h, LVM_GETHEADER));
    return (sendTimed(h, LVM_GETEXTENDEDLISTVIEWSTYLE) & LVS_EX_CHECKBOXES) && header &&
           sendTimed(header, HDM_GETITEMCOUNT) == 6;
  });
}

std::vector<HWND> standIns() {
  std::vector<HWND> v;
  for (HWND h : topLevel()) {
    // The caption the system keeps, read without a message, so a hung stand-in counts too.
    wchar_t caption[256] = {};
    ::GetWindowTextW(h, caption, 256);
    if (::IsWindowVisible(h) && classOf(h) == kStandInClass && caption == kStandInTitle)
      v.push_back(h);
  }
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

}  // namespace winetest
