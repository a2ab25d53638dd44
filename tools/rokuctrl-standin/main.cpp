// RokuCtrl.exe [--config FILE] [--report FILE]
//
// The stand-in controller as a real Win32 program. Its settings are the lines of
// RokuCtrl.ini listed in README.md beside this file, read as UTF-8 from FILE or from
// RokuCtrl.ini beside the executable (Varnolt starts it without arguments). The handles
// of its windows are written as "handle NAME=XXXXXXXX" lines to the report file (default
// RokuCtrl.report beside the executable) whenever its windows change, so tests can
// compare them with Varnolt's control map.
#ifndef UNICODE
#define UNICODE
#endif
// windows.h first: the other system headers build on it.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>
#include <winioctl.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win32/win_util.hpp"
#include "standin/roku_model.hpp"

namespace {

using namespace varnolt::standin;

constexpr UINT kHangMessage = WM_APP + 1;
constexpr UINT_PTR kTickTimer = 1;

using varnolt::win32::narrow;
using varnolt::win32::widen;

// The class of the main window and of the dialogs: the model's, as Varnolt finds it.
const std::wstring kClass = widen(kMainClass);

std::wstring exeFolder() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p(path, n);
  auto cut = p.find_last_of(L'\\');
  return cut == std::wstring::npos ? L"." : p.substr(0, cut);
}

class Win32Host final : public Host {
 public:
  Win32Host(Config config, std::wstring reportPath)
      : config_(std::move(config)), reportPath_(std::move(reportPath)) {}

  bool create(HINSTANCE instance) {
    instance_ = instance;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Win32Host::wndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClass.c_str();
    if (!RegisterClassExW(&wc)) return false;
    main_ = makeTop(Controller::mainWindow(config_), 640, 480);
    if (!main_) return false;
    int y = 8;
    for (const auto& desc : Controller::mainChildren(config_)) {
      makeChild(main_, desc, y);
      y += desc.className == "ListBox" ? 130 : desc.className == "Static" ? 90 : 26;
    }
    model_ = std::make_unique<Controller>(config_, *this);
    start_ = GetTickCount64();
    ShowWindow(main_, SW_SHOWNORMAL);
    SetTimer(main_, kTickTimer, 100, nullptr);
    call([&] { model_->started(0); });
    writeReport();
    return true;
  }

  // Host
  void openDialog(Dialog dialog, const WindowDesc& window,
                  const std::vector<WindowDesc>& children) override {
    closeDialog(dialog);
    HWND h = makeTop(window, 420, 40 + 28 * static_cast<int>(children.size()));
    int y = 8;
    for (const auto& c : children) {
      makeChild(h, c, y);
      y += 26;
    }
    ShowWindow(h, SW_SHOWNORMAL);
    writeReport();
  }
  void closeDialog(Dialog dialog) override {
    const int id = Controller::dialogWindow(dialog).id;
    auto it = windows_.find(id);
    if (it == windows_.end()) return;
    HWND h = it->second;
    forget(id);
    for (const auto& c : Controller::dialogChildren(dialog, config_)) forget(c.id);
    // Destroyed after the click that closes it has been handled.
    PostMessageW(main_, WM_APP + 2, 0, reinterpret_cast<LPARAM>(h));
    writeReport();
  }
  std::string text(int id) override {
    HWND h = hwnd(id);
    if (!h) return {};
    int n = GetWindowTextLengthW(h);
    std::wstring w(static_cast<std::size_t>(n) + 1, L'\0');
    n = GetWindowTextW(h, w.data(), n + 1);
    w.resize(static_cast<std::size_t>(n));
    return narrow(w);
  }
  void setText(int id, const std::string& text) override {
    if (HWND h = hwnd(id)) SetWindowTextW(h, widen(text).c_str());
  }
  void setEnabled(int id, bool enabled) override {
    if (HWND h = hwnd(id)) EnableWindow(h, enabled ? TRUE : FALSE);
  }
  void setItems(const std::vector<std::string>& items) override {
    HWND list = hwnd(kList);
    if (!list) return;
    // A recorder's full list is tens of thousands of entries: filled without a repaint
    // per entry, in storage reserved at once.
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    SendMessageW(list, LB_INITSTORAGE, items.size(), items.size() * 64);
    for (const auto& i : items)
      SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(i).c_str()));
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
  }
  int selection() override {
    HWND list = hwnd(kList);
    return list ? static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0)) : -1;
  }
  void setSelection(int index) override {
    if (HWND list = hwnd(kList)) SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
  void setTrackbar(int position) override {
    if (HWND s = hwnd(kSlider)) SendMessageW(s, TBM_SETPOS, TRUE, position);
  }
  bool folderExists(const std::string& path) override {
    DWORD a = GetFileAttributesW(widen(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
  }
  std::optional<std::uint64_t> fileSize(const std::string& path) override {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &d)) return std::nullopt;
    if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
    return (static_cast<std::uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
  }
  bool resizeFile(const std::string& path, std::uint64_t bytes) override {
    varnolt::win32::UniqueFile f(CreateFileW(widen(path).c_str(), GENERIC_WRITE,
                                             FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) return false;
    DWORD ignored = 0;
    // Sparse where the file system allows it: only the length is ever looked at.
    DeviceIoControl(f.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(bytes);
    return SetFilePointerEx(f.get(), at, nullptr, FILE_BEGIN) && SetEndOfFile(f.get());
  }
  void hang() override { PostMessageW(main_, kHangMessage, 0, 0); }
  void exit() override { exiting_ = true; }
  void note(const std::string& line) override {
    OutputDebugStringW(widen("RokuCtrl: " + line + "\n").c_str());
  }

 private:
  template <typename F>
  void call(F f) {
    f();
    if (exiting_) {
      KillTimer(main_, kTickTimer);
      DestroyWindow(main_);
      PostQuitMessage(0);
    }
  }

  HWND makeTop(const WindowDesc& desc, int w, int h) {
    HWND hwnd = CreateWindowExW(0, kClass.c_str(), widen(desc.caption).c_str(),
                                WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                                w, h, nullptr, nullptr, instance_, this);
    if (hwnd) remember(desc, hwnd);
    return hwnd;
  }

  void makeChild(HWND parent, const WindowDesc& desc, int y) {
    DWORD style = WS_CHILD | WS_VISIBLE;
    int height = 24;
    if (desc.className == "Button") style |= desc.id == kDirFrame ? BS_GROUPBOX : BS_PUSHBUTTON;
    if (desc.className == "ListBox") {
      style |= LBS_NOTIFY | WS_VSCROLL | WS_BORDER;
      height = 120;
    }
    if (desc.className == "Static" && desc.id == kDetails) height = 84;
    if (desc.className == "Edit") style |= ES_AUTOHSCROLL | WS_BORDER;
    HWND h = CreateWindowExW(
        0, widen(desc.className).c_str(), widen(desc.caption).c_str(), style, 8, y, 380, height,
        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(desc.id)), instance_, nullptr);
    if (!h) return;
    if (desc.id == kSlider) {
      SendMessageW(h, TBM_SETRANGEMIN, FALSE, config_.rangeMin);
      SendMessageW(h, TBM_SETRANGEMAX, TRUE, config_.rangeMax);
    }
    remember(desc, h);
  }

  void remember(const WindowDesc& desc, HWND h) {
    if (desc.id == 0) return;
    windows_[desc.id] = h;
    names_[desc.id] = desc.name;
    order_.push_back(desc.id);
  }
  void forget(int id) {
    windows_.erase(id);
    names_.erase(id);
    std::erase(order_, id);
  }
  HWND hwnd(int id) const {
    auto it = windows_.find(id);
    return it == windows_.end() ? nullptr : it->second;
  }

  void writeReport() {
    std::ofstream out(reportPath_.c_str(), std::ios::binary | std::ios::trunc);
    char buf[16];
    for (int id : order_) {
      std::snprintf(buf, sizeof buf, "%08X",
                    static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(windows_[id])));
      out << "handle " << names_[id] << "=" << buf << "\r\n";
    }
  }

  LRESULT handle(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
      case WM_COMMAND: {
        const int id = LOWORD(wp);
        const int code = HIWORD(wp);
        if (!model_) break;
        if (id == kList && code == LBN_SELCHANGE) {
          const int sel = selection();
          call([&] { model_->selectionChanged(sel); });
        } else if (code == BN_CLICKED && lp != 0) {
          call([&] { model_->clicked(id, elapsed()); });
        }
        return 0;
      }
      case WM_TIMER:
        if (wp == kTickTimer && model_) call([&] { model_->advance(elapsed()); });
        return 0;
      case kHangMessage:
        // Stops answering for good: tests end the process from outside.
        for (;;) Sleep(1000);
      case WM_APP + 2:
        DestroyWindow(reinterpret_cast<HWND>(lp));
        return 0;
      case WM_CLOSE:
        if (h == main_) {
          DestroyWindow(h);
          PostQuitMessage(0);
        } else {
          for (Dialog d : {Dialog::Save, Dialog::Directory, Dialog::Open})
            if (hwnd(Controller::dialogWindow(d).id) == h) closeDialog(d);
        }
        return 0;
      default:
        break;
    }
    return DefWindowProcW(h, msg, wp, lp);
  }

  std::int64_t elapsed() const { return static_cast<std::int64_t>(GetTickCount64() - start_); }

  static LRESULT CALLBACK wndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
      SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32Host*>(GetWindowLongPtrW(h, GWLP_USERDATA));
    return self ? self->handle(h, msg, wp, lp) : DefWindowProcW(h, msg, wp, lp);
  }

  Config config_;
  std::wstring reportPath_;
  HINSTANCE instance_ = nullptr;
  HWND main_ = nullptr;
  std::unique_ptr<Controller> model_;
  std::map<int, HWND> windows_;
  std::map<int, std::string> names_;
  std::vector<int> order_;
  ULONGLONG start_ = 0;
  bool exiting_ = false;
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::wstring configPath = exeFolder() + L"\\RokuCtrl.ini";
  std::wstring reportPath = exeFolder() + L"\\RokuCtrl.report";
  for (int i = 1; argv && i + 1 < argc; ++i) {
    std::wstring a = argv[i];
    if (a == L"--config")
      configPath = argv[++i];
    else if (a == L"--report")
      reportPath = argv[++i];
  }
  if (argv) LocalFree(argv);

  Config config;
  std::ifstream in(configPath.c_str(), std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() >= 3 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
    if (line.empty() || line[0] == '#') continue;
    std::string error = applyConfigLine(config, line);
    if (!error.empty())
      MessageBoxW(nullptr, widen(error).c_str(), L"RokuCtrl stand-in", MB_OK | MB_ICONWARNING);
  }
  // Starting it reports no process: the closest a real program gets is not starting.
  if (config.has(Fault::StartFails)) return 1;

  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  if (config.startupMs > 0) Sleep(static_cast<DWORD>(config.startupMs));

  Win32Host host(config, reportPath);
  if (!host.create(instance)) return 2;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
