// What the end-to-end tests share: output and checks, waiting, reading another
// program's windows, files, and Varnolt.exe as a process under test. Everything is
// done from outside, through windows and messages, the way Varnolt operates the
// controller. Wide-character functions throughout.
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

namespace vt {

// ---------------------------------------------------------------- output and checks

std::string utf8(std::wstring_view w);
// One line to stdout, bytes as they are (the C runtime loses Japanese under Wine).
void say(const std::string& line);
// Text with CR and LF written as \r and \n, for check details.
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
double msSince(std::chrono::steady_clock::time_point start);

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
// Text of a list-view cell and the rectangle of a row (client coordinates).
std::wstring listViewText(HWND list, int item, int subItem);
RECT listViewItemRect(HWND list, int item);
// A message that fills a RECT in the other process (LVM_GETITEMRECT, HDM_GETITEMRECT).
RECT remoteRect(HWND h, UINT msg, WPARAM w, RECT r = {});
// Rows of another program's list view, read through memory lent inside its process.
int listCount(HWND list);
std::wstring listText(HWND list, int item, int subItem);
bool listChecked(HWND list, int item);
// Screen rectangle of a row.
RECT listItemRect(HWND list, int item);
// Sends WM_DROPFILES with these paths, the drop block built in the target's process.
bool sendFileDrop(HWND target, const std::vector<std::wstring>& paths);

// ---------------------------------------------------------------- files and texts

std::string readFile(const std::wstring& path);
bool writeFile(const std::wstring& path, const std::string& bytes);
bool exists(const std::wstring& path);
// The size in bytes (of a file still being written too), -1 when there is none.
std::int64_t fileSize(const std::wstring& path);
std::string cp932(std::wstring_view w);
std::string hex(const std::string& bytes, std::size_t max = 48);
std::vector<std::wstring> lines(const std::wstring& text);
bool endsWith(const std::wstring& s, const std::wstring& tail);
std::wstring joinPath(const std::wstring& a, const std::wstring& b);
bool saveBitmap(HWND h, const std::wstring& path);

// default.ini as the program writes it at design values, with `controller` as the
// registered controller path.
std::wstring designSettings(const std::wstring& controller = L"未登録");

// ---------------------------------------------------------------- the program under test

class Varnolt {
 public:
  // Starts the program in `folder` and waits for its main window.
  Varnolt(const std::wstring& exe, const std::wstring& folder, int windowTimeoutMs = 20000,
          const std::wstring& arguments = L"");
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
  bool selectTab(int index) const;

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

// ---------------------------------------------------------------- test groups

// The controller launch: starting the stand-in RokuCtrl.exe from its registered path,
// an already running one, a missing one; the control map against the stand-in's report.
void controllerLaunchTests(const std::wstring& varnoltExe, const std::wstring& rokuCtrlExe,
                           const std::wstring& work);

// The recording list: the controller's list box as Varnolt drives it, and the list read
// with Japanese titles and sizes.
void recordingListTests(const std::wstring& varnoltExe, const std::wstring& rokuCtrlExe,
                        const std::wstring& work);
// Real mouse and keyboard input through xdotool (served by run.sh): typing, keyboard
// access, resizing by the window corner; clicks on a list's rows, Enter and Esc in the path
// entry dialog, the arrow keys among option buttons.
void realInputTests(const std::wstring& varnoltExe, const std::wstring& work);
// The Windows backend's power port with its system calls replaced.
void powerPortTests();
// A whole night on the stand-in controller, ending with choice 6 and with choice 5, and
// the CPU time of one 60-second transfer's polling.
void nightTests(const std::wstring& varnoltExe, const std::wstring& rokuCtrlExe,
                const std::wstring& work);
// Files dropped on the conversion list and converted through the stand-in RokuCtrl.exe;
// the folder browser confirms only file-system folders.
void conversionTests(const std::wstring& varnoltExe, const std::wstring& rokuCtrlExe,
                     const std::wstring& work);
// The Help menu (Alt+H, H) and F1 start the help viewer on help.chm beside the program;
// `helpChm` is the built help file, copied there.
void helpMenuTests(const std::wstring& varnoltExe, const std::wstring& helpChm,
                   const std::wstring& work);
// The taskbar button's progress with ITaskbarList3 replaced by a recorder.
void taskbarProgressTests();
// log.ini and default.ini through the quit with the file port's steps crashed or failed,
// and Varnolt.exe killed while it writes a 100,000-line log (VARNOLT_KILL_RUNS times,
// default 10: each run first waits for the start with that log) and, with the stand-in
// controller, while it writes the journal night.ini of a resumed night (as many times).
void crashSafeFileTests(const std::wstring& varnoltExe, const std::wstring& rokuCtrlExe,
                        const std::wstring& work);
// Libraries planted beside Varnolt.exe under system libraries' names are never loaded:
// not at start-up, the file dialog, the folder browser, the help or a drop (with a probe
// showing first that Wine loads a planted library unless the search is restricted).
// The nightly task's group clicked in the real window, Wine's scheduler refusing
// (auto_night.cpp).
void nightlyTaskTests(const std::wstring& varnoltExe, const std::wstring& work);
// Varnolt.exe /auto running a whole night alone (auto_night.cpp).
void autoNightTests(const std::wstring& varnoltExe, const std::wstring& rokuCtrlExe,
                    const std::wstring& work);
void dllSearchTests(const std::wstring& varnoltExe, const std::wstring& helpChm,
                    const std::wstring& work);
// The six pages at `dpi`, as SHOTS\tabK.bmp (96) or SHOTS\tabK-DPIdpi.bmp.
void dpiScreenshots(const std::wstring& varnoltExe, const std::wstring& work,
                    const std::wstring& shots, int dpi);

}  // namespace vt
