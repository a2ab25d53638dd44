// Message boxes and the common dialogs.
#include "platform/win32/win_platform.hpp"

#include <commdlg.h>
#include <shlobj.h>

#include <vector>

#include "controls/form.hpp"

namespace varnolt::win32 {

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

}  // namespace varnolt::win32
