// The Wine test library, what the end-to-end tests and the Wine benchmarks share: output
// and checks, waiting, reading another program's windows and controls, files, installing
// into a test folder, Varnolt.exe and the stand-in controller as processes under test.
// Everything is done from outside, through windows and messages, the way Varnolt operates
// the controller. Wide-character functions throughout. Included first (directly or through
// groups.hpp or night.hpp): it brings windows.h, which the other system headers build on.
#pragma once

// windows.h comes first: the other system headers build on it.
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "captions.hpp"

namespace winetest {

// What every test is given: the built programs and the folder it works in.
struct Env {
  std::wstring varnolt;   // Varnolt.exe, with help.chm beside it
  std::wstring rokuCtrl;  // the stand-in controller RokuCtrl.exe
  std::wstring work;      // each test makes its own folders in it
  std::wstring shots;     // screenshots go here; none are taken when empty
  std::wstring helpChm() const {
    return varnolt.substr(0, varnolt.find_last_of(L'\\')) + L"\\help.chm";
  }
};

// ---------------------------------------------------------------- output and checks

std::string utf8(std::wstring_view w);
// One line to stdout, bytes as they are (the C runtime loses Japanese under Wine).
void say(const std::string& line);
// Text with CR and LF written as \r and \n, for check details.
std::string shown(std::string_view utf8Text);
std::string shown(std::wstring_view w);
void check(bool ok, const std::string& name, const std::string& detail = {});
int passedCount();
int failedCount();

// ---------------------------------------------------------------- handles and waiting

// Owner of a kernel handle (process, thread, file).
class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE h) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
  ~Handle() {
    if (h_) ::CloseHandle(h_);
  }
  Handle(Handle&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  Handle& operator=(Handle&& o) noexcept {
    if (this != &o) {
      if (h_) ::CloseHandle(h_);
      h_ = std::exchange(o.h_, nullptr);
    }
    return *this;
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }

 private:
  HANDLE h_ = nullptr;
};

bool waitFor(const std::function<bool()>& done, int timeoutMs);
// Waits until `find` gives a window; that window, or nullptr.
HWND awaitWindow(const std::function<HWND()>& find, int timeoutMs);
double msSince(std::chrono::steady_clock::time_point start);
// "median of N: M ms (min A, max B)" of these times.
std::string spread(std::vector<double> ms);
// Starts `exe` with `arguments` in `folder` (the caller's when empty); the process.
Handle startProcess(const std::wstring& exe, const std::wstring& arguments = {},
                    const std::wstring& folder = {}, DWORD* pid = nullptr);

// ---------------------------------------------------------------- other programs' windows

std::wstring classOf(HWND h);
// The text through WM_GETTEXT, as another program reads it.
std::wstring textOf(HWND h);
LRESULT sendTimed(HWND h, UINT msg, WPARAM w = 0, LPARAM l = 0);
std::vector<HWND> topLevel();
// Every descendant, in the system's enumeration order.
std::vector<HWND> children(HWND parent);
DWORD pidOf(HWND h);
// A visible top-level window of the process (any process when pid is 0).
HWND findTop(DWORD pid, const std::wstring& cls, const std::wstring& caption);
HWND findChild(HWND parent, const std::wstring& cls, const std::wstring& text);
// A check box or option button shown checked.
bool buttonChecked(HWND button);
// A visible descendant of this class (and text, unless empty): the last one in the
// system's enumeration order.
HWND shownChild(HWND parent, const std::wstring& cls, const std::wstring& text = {});
// The control with the keyboard focus in the thread of `window`.
HWND focusOf(HWND window);
RECT rectOf(HWND h);
int widthOf(const RECT& r);
int heightOf(const RECT& r);
// Memory inside another process, for messages whose argument is a pointer there.
class RemoteMemory {
 public:
  RemoteMemory(HWND owner, SIZE_T size)
      : process_(::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                               pidOf(owner))) {
    if (process_)
      at_ = static_cast<BYTE*>(
          ::VirtualAllocEx(process_.get(), nullptr, size, MEM_COMMIT, PAGE_READWRITE));
  }
  ~RemoteMemory() {
    if (at_) ::VirtualFreeEx(process_.get(), at_, 0, MEM_RELEASE);
  }
  RemoteMemory(const RemoteMemory&) = delete;
  RemoteMemory& operator=(const RemoteMemory&) = delete;

  BYTE* at() const { return at_; }
  bool write(SIZE_T offset, const void* data, SIZE_T size) const {
    SIZE_T done = 0;
    return ::WriteProcessMemory(process_.get(), at_ + offset, data, size, &done) && done == size;
  }
  bool read(SIZE_T offset, void* data, SIZE_T size) const {
    SIZE_T done = 0;
    return ::ReadProcessMemory(process_.get(), at_ + offset, data, size, &done) && done == size;
  }

 private:
  Handle process_;
  BYTE* at_ = nullptr;
};

// Text of a tab item and of a status-bar part, read through memory lent inside the
// other process.
std::wstring tabText(HWND tab, int index);
std::wstring statusText(HWND statusBar, int part);
// A message that fills a RECT in the other process (LVM_GETITEMRECT, HDM_GETITEMRECT).
RECT remoteRect(HWND h, UINT msg, WPARAM w, RECT r = {});
// Rows of another program's list view, read through memory lent inside its process.
int listCount(HWND list);
std::wstring listText(HWND list, int item, int subItem);
// The state image of a row: 1 unchecked, 2 checked.
int listCheckImage(HWND list, int item);
bool listChecked(HWND list, int item);
// Screen rectangle of a row.
RECT listItemRect(HWND list, int item);
// Sends WM_DROPFILES with these paths, the drop block built in the target's process.
bool sendFileDrop(HWND target, const std::vector<std::wstring>& paths);

// ---------------------------------------------------------------- files and texts

std::string readFile(const std::wstring& path);
std::wstring fromCp932(const std::string& bytes);
bool writeFile(const std::wstring& path, const std::string& bytes);
bool exists(const std::wstring& path);
// The size in bytes (of a file still being written too), -1 when there is none.
std::int64_t fileSize(const std::wstring& path);
std::string cp932(std::wstring_view w);
std::string hex(const std::string& bytes, std::size_t max = 48);
std::vector<std::wstring> lines(const std::wstring& text);
bool endsWith(const std::wstring& s, const std::wstring& tail);
std::wstring joinPath(const std::wstring& a, const std::wstring& b);
// What the screen shows of a window: rows top down, 0x00RRGGBB a pixel.
struct Shot {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;
};
Shot capture(HWND h);
// The window as the screen shows it, as a 24-bit BMP file.
bool saveBitmap(HWND h, const std::wstring& path);
// The messages of a work log, newest first as the log shows them (the time stamps cut).
std::vector<std::wstring> logMessages(const std::wstring& text);
// Whether `want` appear in `seen` in this order; `missing` tells the first that does not.
bool inOrder(const std::vector<std::wstring>& seen, const std::vector<std::wstring>& want,
             std::string* missing);

// default.ini as the program writes it, at design values but for the registered
// controller path, the download folder, the end-of-work choice and Check1 and Check2.
std::wstring designSettings(const std::wstring& controller = L"未登録",
                            const std::wstring& downloadFolder = L"未設定", int choice = 5,
                            bool check1 = false, bool check2 = false);
// A fresh folder `work\name` holding a copy of `program` (Varnolt.exe unless named) and
// neither log.ini nor default.ini; default.ini in CP932 when `settings` are given.
std::wstring installVarnolt(const std::wstring& work, const std::wstring& name,
                            const std::wstring& program, const std::wstring& settings = {});
// The same for the built Varnolt.exe in the work folder.
inline std::wstring installVarnolt(const Env& env, const std::wstring& name,
                                   const std::wstring& settings = {}) {
  return installVarnolt(env.work, name, env.varnolt, settings);
}

// ---------------------------------------------------------------- the program under test

class Varnolt {
 public:
  // Starts the program in `folder` and waits for its main window.
  Varnolt(const std::wstring& exe, const std::wstring& folder, int windowTimeoutMs = 20000,
          const std::wstring& arguments = L"");
  // Varnolt.exe of `folder` (installVarnolt).
  explicit Varnolt(const std::wstring& folder)
      : Varnolt(joinPath(folder, L"Varnolt.exe"), folder) {}
  ~Varnolt();
  Varnolt(const Varnolt&) = delete;
  Varnolt& operator=(const Varnolt&) = delete;

  bool running() const;
  bool waitExit(int ms) const;
  DWORD pid() const { return pid_; }

  HWND child(const std::wstring& cls, const std::wstring& text) const;
  // The work log: the multi-line edit box.
  HWND logBox() const;
  HWND tabs() const;
  HWND statusBar() const;
  // A message box of the program, or nullptr.
  HWND messageBox(int timeoutMs) const;
  // A dialog of the program that `ready` accepts, or nullptr; the folder browser.
  HWND dialog(const std::function<bool(HWND)>& ready, int timeoutMs) const;
  HWND folderBrowser(int timeoutMs) const;
  bool selectTab(int index) const;
  // The window shows that it opened; `what` names the check.
  bool opened(const std::string& what) const;
  // Closes the window and answers the quit question Yes.
  void quit(int timeoutMs = 5000) const;
  // Page k is up: a control only that page has is visible.
  bool pageShown(int k) const;
  // The window repainted and saved as a BMP file.
  bool screenshot(const std::wstring& path) const;
  // The list view of the shown page.
  HWND shownList() const;

  HWND main = nullptr;
  double startMs = 0;

 private:
  Handle process_, thread_;
  DWORD pid_ = 0;
};

std::wstring boxMessage(HWND box);
void answer(HWND box, int id);
// The conversion list: the list view with check boxes and six columns.
HWND conversionList(const Varnolt& v);

// ---------------------------------------------------------------- the stand-in controller

// Main windows of stand-in controllers, whoever started them.
std::vector<HWND> standIns();
// Closes every stand-in and waits for its process to end (ended by force when it does
// not close), so the next test starts with no controller running.
void closeStandIns();
// RokuCtrl.exe copied into `folder` (made, with its parent), with RokuCtrl.ini holding `ini` when
// given; its path.
std::wstring installStandIn(const std::wstring& folder, const std::wstring& rokuCtrlExe,
                            const std::string& ini = {});

// ---------------------------------------------------------------- the help viewer

// A running hh.exe and its command line.
struct Viewer {
  DWORD pid = 0;
  std::wstring commandLine;
};
// The running hh.exe processes.
std::vector<Viewer> viewers();
// Waits for a viewer whose command line names `chm`; empty when none comes.
Viewer waitForViewer(const std::wstring& chm, int timeoutMs);
// Closes the viewer's windows as its close box would; ends it when it does not go.
bool closeViewer(DWORD pid);

}  // namespace winetest
