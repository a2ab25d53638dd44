#include "platform/win32/win_platform.hpp"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "controls/form.hpp"

namespace varnolt::win32 {

using platform::DateTime;

// ---------------------------------------------------------------- clock

DateTime WinClock::now() {
  SYSTEMTIME st;
  ::GetLocalTime(&st);
  return {st.wYear,   st.wMonth,  st.wDay,          st.wHour,
          st.wMinute, st.wSecond, st.wMilliseconds, st.wDayOfWeek};
}

std::int64_t WinClock::ticks() {
  return static_cast<std::int64_t>(::GetTickCount64());
}

void WinClock::sleep(int milliseconds) {
  ::Sleep(static_cast<DWORD>(std::max(0, milliseconds)));
}

void WinClock::doEvents() {
  // One pass over what is queued now; a bound keeps a flood of posted messages from
  // turning one pass into an endless loop.
  MSG msg;
  for (int i = 0; i < 10000 && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (preTranslate && preTranslate(msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

// ---------------------------------------------------------------- regional settings

namespace {

SYSTEMTIME toSystemTime(const DateTime& t) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(t.year);
  st.wMonth = static_cast<WORD>(t.month);
  st.wDay = static_cast<WORD>(t.day);
  st.wDayOfWeek = static_cast<WORD>(t.weekday);
  st.wHour = static_cast<WORD>(t.hour);
  st.wMinute = static_cast<WORD>(t.minute);
  st.wSecond = static_cast<WORD>(t.second);
  st.wMilliseconds = static_cast<WORD>(t.millisecond);
  return st;
}

std::wstring localeInfo(LCTYPE type) {
  wchar_t buf[64] = {};
  ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buf, 64);
  return buf;
}

}  // namespace

std::string WinRegional::shortDate(const DateTime& t) {
  SYSTEMTIME st = toSystemTime(t);
  wchar_t buf[128];
  if (!::GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, 128, nullptr))
    return {};
  return narrow(buf);
}

std::string WinRegional::longTime(const DateTime& t) {
  SYSTEMTIME st = toSystemTime(t);
  wchar_t buf[128];
  if (!::GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &st, nullptr, buf, 128)) return {};
  return narrow(buf);
}

std::string WinRegional::formatNumber(double value, int decimals) {
  // Rounded half away from zero first, as the system's number formatting does.
  const double scale = std::pow(10.0, decimals);
  const double rounded = std::round(value * scale) / scale;
  char plain[64];
  std::snprintf(plain, sizeof plain, "%.*f", decimals, rounded);
  std::wstring decimal = localeInfo(LOCALE_SDECIMAL), thousand = localeInfo(LOCALE_STHOUSAND);
  NUMBERFMTW fmt{};
  fmt.NumDigits = static_cast<UINT>(decimals);
  fmt.LeadingZero = localeInfo(LOCALE_ILZERO) == L"0" ? 0 : 1;
  fmt.Grouping = 3;
  fmt.lpDecimalSep = decimal.data();
  fmt.lpThousandSep = thousand.data();
  fmt.NegativeOrder = static_cast<UINT>(_wtoi(localeInfo(LOCALE_INEGNUMBER).c_str()));
  wchar_t buf[128];
  std::wstring in = widen(plain);
  if (!::GetNumberFormatEx(LOCALE_NAME_USER_DEFAULT, 0, in.c_str(), &fmt, buf, 128)) return plain;
  return narrow(buf);
}

std::string WinRegional::formatPercent(double value) {
  return formatNumber(value * 100, 2) + "%";
}

// ---------------------------------------------------------------- code page

std::string WinCodec::toAnsi(std::string_view utf8) {
  return toCodePage(widen(utf8), kCodePage);
}

std::string WinCodec::fromAnsi(std::string_view bytes) {
  return narrow(fromCodePage(bytes, kCodePage));
}

// ---------------------------------------------------------------- files

namespace {

// The run-time error numbers the program reports for a failed file operation.
[[noreturn]] void failWith(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
      throw VbError(vb::kErrFileNotFound);
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
      throw VbError(vb::kErrPathNotFound);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      throw VbError(vb::kErrPermissionDenied);
    case ERROR_NOT_READY:
    case ERROR_INVALID_DRIVE:
      throw VbError(71);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      throw VbError(61);
    case ERROR_INVALID_NAME:
      throw VbError(52);
    default:
      throw VbError(vb::kErrPathFileAccess);
  }
}

std::wstring parentOf(const std::wstring& path) {
  auto cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}

bool isFolder(const std::wstring& path) {
  DWORD a = ::GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool WinFileSystem::fileExists(std::string_view path) {
  DWORD a = ::GetFileAttributesW(widen(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool WinFileSystem::folderExists(std::string_view path) {
  return isFolder(widen(path));
}

std::string WinFileSystem::readAll(std::string_view path) {
  const std::wstring w = widen(path);
  if (isFolder(w)) throw VbError(vb::kErrFileNotFound);
  UniqueFile f(::CreateFileW(w.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) failWith(::GetLastError());
  std::string bytes;
  char buf[65536];
  DWORD got = 0;
  while (::ReadFile(f.get(), buf, sizeof buf, &got, nullptr) && got > 0) bytes.append(buf, got);
  return bytes;
}

void WinFileSystem::replaceFile(std::string_view path, std::string_view bytes) {
  const std::wstring target = widen(path);
  const std::wstring folder = parentOf(target);
  if (folder.empty() || !isFolder(folder + L"\\")) throw VbError(vb::kErrPathNotFound);
  DWORD a = ::GetFileAttributesW(target.c_str());
  if (a != INVALID_FILE_ATTRIBUTES) {
    if (a & FILE_ATTRIBUTE_DIRECTORY) throw VbError(vb::kErrPathFileAccess);
    if (a & FILE_ATTRIBUTE_READONLY) throw VbError(vb::kErrPermissionDenied);
  }
  // Written beside the target and moved over it, so the old file stays whole until
  // the new one is complete on disk.
  const std::wstring temp = target + L".tmp~";
  // A temporary file left by an interrupted write is overwritten; attributes it may have
  // been given since would make the system refuse that.
  const DWORD left = ::GetFileAttributesW(temp.c_str());
  if (left != INVALID_FILE_ATTRIBUTES && !(left & FILE_ATTRIBUTE_DIRECTORY) &&
      (left & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
    calls.setFileAttributes(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
  // A failed call without an error number still fails: never reported as a success.
  auto lastError = [&](DWORD otherwise) {
    const DWORD e = calls.getLastError();
    return e == ERROR_SUCCESS ? otherwise : e;
  };
  DWORD error = ERROR_SUCCESS;
  {
    // The handle is closed through the replaceable call, on every way out.
    struct Open {
      FileCalls& calls;
      HANDLE h;
      ~Open() {
        if (h != INVALID_HANDLE_VALUE) calls.closeHandle(h);
      }
      BOOL close() { return calls.closeHandle(std::exchange(h, INVALID_HANDLE_VALUE)); }
    } f{calls, calls.createFile(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (f.h == INVALID_HANDLE_VALUE) failWith(lastError(ERROR_ACCESS_DENIED));
    for (std::size_t done = 0; done < bytes.size() && error == ERROR_SUCCESS;) {
      const DWORD chunk =
          static_cast<DWORD>(std::min<std::size_t>(kWriteChunk, bytes.size() - done));
      DWORD written = 0;
      if (!calls.writeFile(f.h, bytes.data() + done, chunk, &written, nullptr))
        error = lastError(ERROR_DISK_FULL);
      else if (written != chunk)
        error = ERROR_DISK_FULL;  // a short write without an error: no room left
      done += chunk;
    }
    if (error == ERROR_SUCCESS && !calls.flushFileBuffers(f.h)) error = lastError(ERROR_DISK_FULL);
    // Closing can be the first to tell of a failed write (a network folder).
    if (!f.close() && error == ERROR_SUCCESS) error = lastError(ERROR_DISK_FULL);
  }
  if (error == ERROR_SUCCESS &&
      !calls.moveFileEx(temp.c_str(), target.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    error = lastError(ERROR_ACCESS_DENIED);
  if (error != ERROR_SUCCESS) {
    calls.deleteFile(temp.c_str());
    failWith(error);
  }
}

std::int64_t WinFileSystem::fileSize(std::string_view path) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!::GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &d) ||
      (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    throw VbError(vb::kErrFileNotFound);
  return (static_cast<std::int64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

void WinFileSystem::deleteFile(std::string_view path) {
  const std::wstring w = widen(path);
  DWORD a = ::GetFileAttributesW(w.c_str());
  if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY))
    throw VbError(vb::kErrFileNotFound);
  if (a & FILE_ATTRIBUTE_READONLY) throw VbError(vb::kErrPermissionDenied);
  if (!::DeleteFileW(w.c_str())) failWith(::GetLastError());
}

bool WinFileSystem::renameFile(std::string_view from, std::string_view to) {
  // No MOVEFILE_REPLACE_EXISTING: a file of the same name is never overwritten.
  return ::MoveFileExW(widen(from).c_str(), widen(to).c_str(), 0) != 0;
}

bool WinFileSystem::makeSurePathExists(std::string_view path) {
  const std::wstring w = widen(path);
  const auto last = w.find_last_of(L"\\/");
  if (last == std::wstring::npos) return true;
  // Skip the root: "C:\" or "\\server\share\".
  std::size_t pos = 0;
  if (w.size() >= 2 && w[1] == L':') {
    pos = 3;
  } else if (w.rfind(L"\\\\", 0) == 0) {
    pos = w.find(L'\\', 2);
    pos = pos == std::wstring::npos ? w.size() : w.find(L'\\', pos + 1);
    if (pos == std::wstring::npos) return true;
    ++pos;
  }
  while (pos <= last) {
    std::size_t next = w.find_first_of(L"\\/", pos);
    if (next == std::wstring::npos || next > last) next = last;
    const std::wstring prefix = w.substr(0, next);
    if (next > pos && !isFolder(prefix) && !::CreateDirectoryW(prefix.c_str(), nullptr) &&
        ::GetLastError() != ERROR_ALREADY_EXISTS)
      return false;
    pos = next + 1;
  }
  return true;
}

std::optional<std::uint64_t> WinFileSystem::freeSpace(std::string_view path) {
  ULARGE_INTEGER available, total, free;
  if (!::GetDiskFreeSpaceExW(widen(path).c_str(), &available, &total, &free)) return std::nullopt;
  return available.QuadPart;
}

std::uint32_t WinFileSystem::attributes(std::string_view path) {
  DWORD a = ::GetFileAttributesW(widen(path).c_str());
  if (a == INVALID_FILE_ATTRIBUTES) failWith(::GetLastError());
  return a;
}

void WinFileSystem::setAttributes(std::string_view path, std::uint32_t attributes) {
  if (!::SetFileAttributesW(widen(path).c_str(), attributes)) failWith(::GetLastError());
}

// ---------------------------------------------------------------- dialogs

int WinDialogs::messageBox(std::string_view text, std::string_view title, unsigned flags) {
  return ::MessageBoxW(owner ? owner() : nullptr, widen(text).c_str(), widen(title).c_str(), flags);
}

namespace {

// Runs the Open dialog; the buffer holds what it returns, nothing when it was cancelled.
std::vector<wchar_t> runOpenDialog(HWND owner, const platform::OpenFileRequest& request,
                                   DWORD extraFlags) {
  // "desc|pattern|desc|pattern|" becomes the double-NUL-terminated list the dialog wants.
  std::wstring filter = widen(request.filter);
  for (auto& c : filter)
    if (c == L'|') c = L'\0';
  filter.push_back(L'\0');
  filter.push_back(L'\0');
  std::wstring title = widen(request.title), dir = widen(request.initialDir);
  std::vector<wchar_t> file(32768, L'\0');
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
  ofn.lpstrInitialDir = dir.empty() ? nullptr : dir.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | extraFlags;
  static const auto open =
      lateBound<decltype(&::GetOpenFileNameW)>(L"comdlg32.dll", "GetOpenFileNameW");
  if (!open || !open(&ofn)) return {};
  return file;
}

}  // namespace

std::optional<std::string> WinDialogs::openFile(const platform::OpenFileRequest& request) {
  const std::vector<wchar_t> file = runOpenDialog(owner ? owner() : nullptr, request, 0);
  if (file.empty()) return std::nullopt;
  return narrow(file.data());
}

std::vector<std::string> WinDialogs::openFiles(const platform::OpenFileRequest& request) {
  const std::vector<wchar_t> file =
      runOpenDialog(owner ? owner() : nullptr, request, OFN_ALLOWMULTISELECT);
  if (file.empty()) return {};
  // One file: its full path. Several: the folder, then each name, each NUL-terminated,
  // the list ending with an empty string.
  std::vector<std::wstring> parts;
  for (const wchar_t* p = file.data(); p < file.data() + file.size() && *p;
       p += parts.back().size() + 1)
    parts.emplace_back(p);
  if (parts.size() == 1) return {narrow(parts.front())};
  std::vector<std::string> paths;
  std::wstring folder = parts.front();
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  for (std::size_t i = 1; i < parts.size(); ++i) paths.push_back(narrow(folder + parts[i]));
  return paths;
}

namespace {

int CALLBACK browseCallback(HWND hwnd, UINT msg, LPARAM, LPARAM data) {
  // Open with the start folder selected.
  if (msg == BFFM_INITIALIZED && data) ::SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}

}  // namespace

std::string WinDialogs::browseFolder(Hwnd ownerWindow, std::string_view title,
                                     std::string_view startFolder) {
  std::wstring t = widen(title), start = widen(startFolder);
  wchar_t display[MAX_PATH] = {};
  BROWSEINFOW bi{};
  bi.hwndOwner = ownerWindow ? toHwnd(ownerWindow) : (owner ? owner() : nullptr);
  bi.pszDisplayName = display;
  bi.lpszTitle = t.c_str();
  // Only file-system folders can be confirmed: "PC" or "Network" have no path to return.
  bi.ulFlags = BIF_RETURNONLYFSDIRS;
  bi.lpfn = browseCallback;
  bi.lParam = start.empty() ? 0 : reinterpret_cast<LPARAM>(start.c_str());
  static const auto browse =
      lateBound<decltype(&::SHBrowseForFolderW)>(L"shell32.dll", "SHBrowseForFolderW");
  static const auto pathOf =
      lateBound<decltype(&::SHGetPathFromIDListW)>(L"shell32.dll", "SHGetPathFromIDListW");
  UniquePidl pidl(browse ? browse(&bi) : nullptr);
  if (!pidl) return std::string(startFolder);
  wchar_t path[MAX_PATH] = {};
  if (!pathOf(static_cast<PCIDLIST_ABSOLUTE>(pidl.get()), path)) return {};
  return narrow(path);
}

void WinDialogs::showModal(controls::ModalForm& form) {
  if (modalRenderer) {
    modalRenderer(form);
    return;
  }
  form.Form_Load();
  form.close();
}

// ---------------------------------------------------------------- shell

std::uint32_t WinShell::startProgram(std::string_view path) {
  std::wstring w = widen(path);
  DWORD a = ::GetFileAttributesW(w.c_str());
  if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY))
    throw VbError(vb::kErrFileNotFound);
  std::wstring command = L"\"" + w + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(w.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi))
    return 0;
  UniqueHandle process(pi.hProcess), thread(pi.hThread);
  return pi.dwProcessId;
}

void WinShell::openDocument(Hwnd owner, std::string_view path) {
  static const auto execute =
      lateBound<decltype(&::ShellExecuteW)>(L"shell32.dll", "ShellExecuteW");
  if (execute)
    execute(owner ? toHwnd(owner) : nullptr, nullptr, widen(path).c_str(), nullptr, nullptr,
            SW_SHOWNORMAL);
}

// ---------------------------------------------------------------- registry

namespace {

HKEY rootKey(platform::RegRoot root) {
  switch (root) {
    case platform::RegRoot::ClassesRoot:
      return HKEY_CLASSES_ROOT;
    case platform::RegRoot::CurrentUser:
      return HKEY_CURRENT_USER;
    case platform::RegRoot::LocalMachine:
      return HKEY_LOCAL_MACHINE;
    case platform::RegRoot::Users:
      return HKEY_USERS;
  }
  return HKEY_LOCAL_MACHINE;
}

UniqueKey openKey(platform::RegRoot root, std::string_view key) {
  UniqueKey k;
  const std::wstring w = widen(key);
  // The version dialog asks for this access first; a standard user is refused
  // write access under HKEY_LOCAL_MACHINE, so reading alone is tried next.
  constexpr REGSAM kAccess = 0x2003F;
  if (::RegOpenKeyExW(rootKey(root), w.c_str(), 0, kAccess, reinterpret_cast<PHKEY>(k.put())) ==
      ERROR_SUCCESS)
    return k;
  if (::RegOpenKeyExW(rootKey(root), w.c_str(), 0, KEY_READ, reinterpret_cast<PHKEY>(k.put())) ==
      ERROR_SUCCESS)
    return k;
  return UniqueKey();
}

}  // namespace

bool WinRegistry::keyExists(platform::RegRoot root, std::string_view key) {
  return static_cast<bool>(openKey(root, key));
}

std::optional<platform::RegValue> WinRegistry::queryValue(platform::RegRoot root,
                                                          std::string_view key,
                                                          std::string_view name) {
  UniqueKey k = openKey(root, key);
  if (!k) return std::nullopt;
  // The dialog reads values into a buffer of 1024 characters.
  std::vector<BYTE> buf(1024 * sizeof(wchar_t));
  DWORD type = 0, size = static_cast<DWORD>(buf.size());
  if (::RegQueryValueExW(k.get(), widen(name).c_str(), nullptr, &type, buf.data(), &size) !=
      ERROR_SUCCESS)
    return std::nullopt;
  platform::RegValue v;
  v.type = type;
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    // Strings are handed on in the ANSI code page, terminating NUL included.
    std::wstring_view w(reinterpret_cast<const wchar_t*>(buf.data()), size / sizeof(wchar_t));
    v.data = toCodePage(w, WinCodec::kCodePage);
  } else {
    v.data.assign(reinterpret_cast<const char*>(buf.data()), size);
  }
  return v;
}

// ---------------------------------------------------------------- other programs' windows

namespace {

BOOL CALLBACK collect(HWND h, LPARAM out) {
  reinterpret_cast<std::vector<Hwnd>*>(out)->push_back(fromHwnd(h));
  return TRUE;
}

// A message to another program's window; nullopt when it did not answer in time.
std::optional<LRESULT> sendTimed(HWND h, UINT msg, WPARAM w, LPARAM l,
                                 unsigned timeout = kSendTimeoutMs) {
  DWORD_PTR result = 0;
  if (!::SendMessageTimeoutW(h, msg, w, l, SMTO_ABORTIFHUNG, timeout, &result)) return std::nullopt;
  return static_cast<LRESULT>(result);
}

// Cuts text to what an ANSI buffer of `bufferBytes` bytes holds, never inside a
// double-byte character.
std::string cutAnsi(const std::wstring& w, int bufferBytes) {
  if (bufferBytes <= 0) return {};
  std::string ansi = toCodePage(w, WinCodec::kCodePage);
  const std::size_t room = static_cast<std::size_t>(bufferBytes - 1);
  if (ansi.size() > room) {
    std::size_t i = 0;
    while (i < room) {
      const unsigned char c = static_cast<unsigned char>(ansi[i]);
      const std::size_t len = ::IsDBCSLeadByteEx(WinCodec::kCodePage, c) ? 2 : 1;
      if (i + len > room) break;
      i += len;
    }
    ansi.resize(i);
  }
  return narrow(fromCodePage(ansi, WinCodec::kCodePage));
}

int ansiLength(const std::wstring& w) {
  return static_cast<int>(toCodePage(w, WinCodec::kCodePage).size());
}

}  // namespace

std::vector<Hwnd> WinWindowSystem::topLevelWindows() {
  std::vector<Hwnd> v;
  ::EnumWindows(collect, reinterpret_cast<LPARAM>(&v));
  return v;
}

std::vector<Hwnd> WinWindowSystem::childWindows(Hwnd parent) {
  std::vector<Hwnd> v;
  ::EnumChildWindows(toHwnd(parent), collect, reinterpret_cast<LPARAM>(&v));
  return v;
}

bool WinWindowSystem::isWindow(Hwnd h) {
  return ::IsWindow(toHwnd(h));
}

std::string WinWindowSystem::className(Hwnd h, int bufferChars) {
  if (bufferChars <= 0) return {};
  std::vector<wchar_t> buf(static_cast<std::size_t>(bufferChars), L'\0');
  const int n = ::GetClassNameW(toHwnd(h), buf.data(), bufferChars);
  return narrow(std::wstring_view(buf.data(), static_cast<std::size_t>(std::max(0, n))));
}

std::string WinWindowSystem::windowText(Hwnd h, int bufferChars) {
  if (bufferChars <= 0) return {};
  std::vector<wchar_t> buf(static_cast<std::size_t>(bufferChars), L'\0');
  const int n = ::GetWindowTextW(toHwnd(h), buf.data(), bufferChars);
  return narrow(std::wstring_view(buf.data(), static_cast<std::size_t>(std::max(0, n))));
}

std::wstring WinWindowSystem::wideText(HWND h) {
  auto len = sendTimed(h, WM_GETTEXTLENGTH, 0, 0);
  if (!len || *len <= 0) return {};
  std::vector<wchar_t> buf(static_cast<std::size_t>(*len) + 1, L'\0');
  auto got = sendTimed(h, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
  if (!got) return {};
  return std::wstring(buf.data(), static_cast<std::size_t>(std::max<LRESULT>(0, *got)));
}

std::wstring WinWindowSystem::wideListText(HWND h, int index) {
  auto len = sendTimed(h, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (!len || *len == LB_ERR) return {};
  std::vector<wchar_t> buf(static_cast<std::size_t>(*len) + 1, L'\0');
  auto got =
      sendTimed(h, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buf.data()));
  if (!got || *got == LB_ERR) return {};
  return std::wstring(buf.data(), static_cast<std::size_t>(*got));
}

int WinWindowSystem::getTextLength(Hwnd h) {
  return ansiLength(wideText(toHwnd(h)));
}

std::string WinWindowSystem::getText(Hwnd h, int bufferBytes) {
  return cutAnsi(wideText(toHwnd(h)), bufferBytes);
}

bool WinWindowSystem::setText(Hwnd h, std::string_view text) {
  const std::wstring w = widen(text);
  return sendTimed(toHwnd(h), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(w.c_str())).has_value();
}

int WinWindowSystem::listBoxCount(Hwnd h) {
  return static_cast<int>(sendTimed(toHwnd(h), LB_GETCOUNT, 0, 0).value_or(0));
}

int WinWindowSystem::listBoxTextLength(Hwnd h, int index) {
  return ansiLength(wideListText(toHwnd(h), index));
}

std::string WinWindowSystem::listBoxText(Hwnd h, int index) {
  return narrow(wideListText(toHwnd(h), index));
}

int WinWindowSystem::listBoxSetCurSel(Hwnd h, int index) {
  return static_cast<int>(
      sendTimed(toHwnd(h), LB_SETCURSEL, static_cast<WPARAM>(index), 0).value_or(LB_ERR));
}

void WinWindowSystem::keyDown(Hwnd h, int virtualKey) {
  sendTimed(toHwnd(h), WM_KEYDOWN, static_cast<WPARAM>(virtualKey), 0);
}

void WinWindowSystem::activate(Hwnd h) {
  sendTimed(toHwnd(h), WM_ACTIVATE, 1, 0);
}

bool WinWindowSystem::click(Hwnd h, platform::ClickMode mode, int timeoutMs) {
  switch (mode) {
    case platform::ClickMode::Posted:
      return ::PostMessageW(toHwnd(h), BM_CLICK, 0, 0);
    case platform::ClickMode::Sent:
      // Waits for the click to be handled; a program that stops answering while it
      // handles it must not freeze an unattended run, so the wait is bounded too.
      return sendTimed(toHwnd(h), BM_CLICK, 0, 0, kSentClickTimeoutMs).has_value();
    case platform::ClickMode::SentWithTimeout:
      return sendTimed(toHwnd(h), BM_CLICK, 0, 0, static_cast<unsigned>(std::max(0, timeoutMs)))
          .has_value();
  }
  return false;
}

int WinWindowSystem::trackbarPos(Hwnd h) {
  return static_cast<int>(sendTimed(toHwnd(h), TBM_GETPOS, 0, 0).value_or(0));
}
int WinWindowSystem::trackbarMin(Hwnd h) {
  return static_cast<int>(sendTimed(toHwnd(h), TBM_GETRANGEMIN, 0, 0).value_or(0));
}
int WinWindowSystem::trackbarMax(Hwnd h) {
  return static_cast<int>(sendTimed(toHwnd(h), TBM_GETRANGEMAX, 0, 0).value_or(0));
}
bool WinWindowSystem::isEnabled(Hwnd h) {
  return ::IsWindowEnabled(toHwnd(h));
}
bool WinWindowSystem::showWindow(Hwnd h, int command) {
  return ::ShowWindow(toHwnd(h), command);
}
bool WinWindowSystem::setForeground(Hwnd h) {
  return ::SetForegroundWindow(toHwnd(h));
}

// ---------------------------------------------------------------- power

void WinPower::enableShutdownPrivilege() {
  // Outcomes are not examined: a request made without the privilege fails on its own
  // and reports that itself.
  UniqueHandle token;
  calls.openProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put());
  TOKEN_PRIVILEGES wanted{};
  calls.lookupPrivilegeValue(nullptr, "SeShutdownPrivilege", &wanted.Privileges[0].Luid);
  wanted.PrivilegeCount = 1;
  wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  TOKEN_PRIVILEGES previous{};
  DWORD returned = 0;
  calls.adjustTokenPrivileges(token.get(), FALSE, &wanted, sizeof previous, &previous, &returned);
}

platform::PowerResult WinPower::exitWindows(platform::ExitKind kind) {
  // Never EWX_FORCE: programs with unsaved work may still ask their user.
  UINT flags = EWX_LOGOFF;
  if (kind == platform::ExitKind::Reboot) flags = EWX_REBOOT;
  if (kind == platform::ExitKind::PowerOff) flags = EWX_POWEROFF;
  const bool ok = calls.exitWindowsEx(flags, 0) != FALSE;
  return {ok, ok ? 0u : static_cast<std::uint32_t>(calls.getLastError())};
}

platform::PowerResult WinPower::setSystemPowerState(bool suspend) {
  const bool ok = calls.setSystemPowerState(suspend ? TRUE : FALSE, FALSE) != FALSE;
  // A success leaves whatever an earlier call set as the last error; only a failure's
  // value means anything.
  return {ok, ok ? 0u : static_cast<std::uint32_t>(calls.getLastError())};
}

void WinPower::keepAwake(bool on) {
  // ES_CONTINUOUS keeps the state until the next call; the display is left alone.
  calls.setThreadExecutionState(on ? ES_CONTINUOUS | ES_SYSTEM_REQUIRED : ES_CONTINUOUS);
}

// ---------------------------------------------------------------- platform

std::string moduleFolder() {
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n < buf.size()) {
      std::wstring path(buf.data(), n);
      auto cut = path.find_last_of(L'\\');
      return narrow(cut == std::wstring::npos ? path : path.substr(0, cut));
    }
    buf.resize(buf.size() * 2);
  }
}

WinPlatform::WinPlatform()
    : platform{clock,    regional, codec, files,          dialogs, shell,
               registry, windows,  power, moduleFolder(), {},      &tasks} {}

}  // namespace varnolt::win32
