// The Wine test library shared by the end-to-end tests and the Wine benchmarks. It works from
// outside, through windows and messages, as Varnolt operates the controller; wide APIs only.
// Included first (directly or through groups.hpp or night.hpp): it brings windows.h.
#pragma once

// windows.h comes first: the other system headers build on it.
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace winetest {

// The texts of Varnolt's and the stand-in controller's windows that the tests look for.
inline const std::wstring kStartButton = L"ﾛｸﾗｸｺﾝﾄﾛｰﾗ起動";
inline const std::wstring kListButton = L"リスト取得";
inline const std::wstring kDownloadButton = L"ﾘｽﾄ選択してﾀﾞｳﾝ";
inline const std::wstring kCheck1 = L"DL後にストリーム変換も行う";
inline const std::wstring kCheck3 = L"サイズ比較をクリアしたら元m2tファイルは削除";
inline const std::wstring kConvertButton = L"PCで再生（ストリーム変換）";
inline const std::wstring kCheck2 = L"変換後、サイズ比較をクリアしたら元m2tファイルは削除する";
inline const std::wstring kEnumButton = L"ﾄｯﾌﾟﾚﾍﾞﾙｳｨﾝﾄﾞｳ列挙";
inline const std::wstring kTabs[] = {L"ダウンロード",   L"ファイル名設定リスト(開発中）",
                                     L"ストリーム変換", L"ログ",
                                     L"環境設定",       L"開発者専用タブ"};
// A button only page k shows (the log page has none: its text box tells).
inline const wchar_t* const kPageMarks[] = {
    L"リスト取得", L"追加",     L"PCで再生（ストリーム変換）",
    nullptr,       L"ＲＣ選択", L"ﾄｯﾌﾟﾚﾍﾞﾙｳｨﾝﾄﾞｳ列挙"};
inline const std::wstring kStarted = L"Varnolt起動";
inline const std::wstring kClicked = L"「ロクラク起動」ボタンクリック";
inline const std::wstring kQuit = L"アプリケーションを終了しますか ?";
inline const std::wstring kAllDone = L"全ての作業が終了しました";
inline const std::wstring kStandInTitle = L"ロクラクⅡ コントローラ";
inline const std::wstring kStandInClass = L"RokuCtrlWindow";

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

// ---------------------------------------------------------------- output, checks, waiting
std::string utf8(std::wstring_view w);
void say(const std::string& line);  // to stdout as bytes: the C runtime loses Japanese under Wine
std::string shown(std::string_view utf8Text);  // CR and LF written as \r and \n, for details
std::string shown(std::wstring_view w);
// Records a check; returns `ok`, for the steps that depend on it.
bool check(bool ok, const std::string& name, const std::string& detail = {});
int passedCount();
int failedCount();

struct HandleCloser {
  void operator()(HANDLE h) const { ::CloseHandle(h); }
};
// Owner of a kernel handle; INVALID_HANDLE_VALUE counts as none.
class Handle : public std::unique_ptr<void, HandleCloser> {
 public:
  Handle() = default;
  explicit Handle(HANDLE h) : unique_ptr(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
};

bool waitFor(const std::function<bool()>& done, int timeoutMs);
HWND awaitWindow(const std::function<HWND()>& find, int timeoutMs);  // what `find` gives, or null
inline double msSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}
std::string spread(std::vector<double> ms);  // "median of N: M ms (min A, max B)"
Handle startProcess(const std::wstring& exe, const std::wstring& arguments = {},
                    const std::wstring& folder = {},
                    DWORD* pid = nullptr);  // in ours when folder is empty

// ---------------------------------------------------------------- other programs' windows
std::wstring classOf(HWND h);
std::wstring textOf(HWND h);  // WM_GETTEXT, as another program reads the text
inline LRESULT sendTimed(HWND h, UINT msg, WPARAM w = 0, LPARAM l = 0) {
  DWORD_PTR r = 0;
  ::SendMessageTimeoutW(h, msg, w, l, SMTO_ABORTIFHUNG, 5000, &r);
  return static_cast<LRESULT>(r);
}
std::vector<HWND> topLevel();
std::vector<HWND> children(HWND parent);  // every descendant, in enumeration order
inline DWORD pidOf(HWND h) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(h, &pid);
  return pid;
}
// Visible; of any process when pid is 0, with any caption when `caption` is empty.
HWND findTop(DWORD pid, const std::wstring& cls, const std::wstring& caption);
HWND findChild(HWND parent, const std::wstring& cls, const std::wstring& text);
inline bool buttonChecked(HWND button) {  // a check box or option button
  return button && sendTimed(button, BM_GETCHECK) == BST_CHECKED;
}
// The last visible descendant of this class (and text, unless empty) in enumeration order.
HWND shownChild(HWND parent, const std::wstring& cls, const std::wstring& text = {});
HWND focusOf(HWND window);  // the control with the keyboard focus in the window's thread
inline RECT rectOf(HWND h) {
  RECT r{};
  ::GetWindowRect(h, &r);
  return r;
}
inline int widthOf(const RECT& r) {
  return r.right - r.left;
}
inline int heightOf(const RECT& r) {
  return r.bottom - r.top;
}

// Memory lent inside another process, for messages whose argument is a pointer there.
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
  BYTE* at() const { return at_; }
  // Both fail unless every byte is copied.
  bool write(SIZE_T offset, const void* data, SIZE_T size) const {
    return ::WriteProcessMemory(process_.get(), at_ + offset, data, size, nullptr);
  }
  bool read(SIZE_T offset, void* data, SIZE_T size) const {
    return ::ReadProcessMemory(process_.get(), at_ + offset, data, size, nullptr);
  }

 private:
  Handle process_;
  BYTE* at_ = nullptr;
};

// Controls of another program, read through memory lent inside it:
std::wstring tabText(HWND tab, int index);
std::wstring statusText(HWND statusBar, int part);
RECT remoteRect(HWND h, UINT msg, WPARAM w, RECT r = {});  // LVM_GETITEMRECT, HDM_GETITEMRECT
int listCount(HWND list);
std::wstring listText(HWND list, int item, int subItem);
int listCheckImage(HWND list, int item);  // the state image of a row: 1 unchecked, 2 checked
inline bool listChecked(HWND list, int item) {
  return listCheckImage(list, item) == 2;
}
RECT listItemRect(HWND list, int item);                                  // on the screen
bool sendFileDrop(HWND target, const std::vector<std::wstring>& paths);  // WM_DROPFILES

// ---------------------------------------------------------------- files and texts
std::string readFile(const std::wstring& path);
std::wstring fromCp932(const std::string& bytes);
bool writeFile(const std::wstring& path, const std::string& bytes);
inline bool exists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
std::int64_t fileSize(const std::wstring& path);  // of a file being written too; -1 when none
std::string cp932(std::wstring_view w);
std::string hex(const std::string& bytes, std::size_t max = 48);
std::vector<std::wstring> lines(const std::wstring& text);
inline bool endsWith(const std::wstring& s, const std::wstring& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}
inline std::wstring joinPath(const std::wstring& a, const std::wstring& b) {
  return a + L"\\" + b;
}
// What the screen shows of a window: rows top down, 0x00RRGGBB a pixel.
struct Shot {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;
};
Shot capture(HWND h);
bool saveBitmap(HWND h, const std::wstring& path);  // as a 24-bit BMP file
// The messages of a work log, newest first as the log shows them, time stamps cut.
std::vector<std::wstring> logMessages(const std::wstring& text);
// Whether `want` appear in `seen` in this order; `missing` names the first that does not.
bool inOrder(const std::vector<std::wstring>& seen, const std::vector<std::wstring>& want,
             std::string* missing);

std::wstring designSettings(const std::wstring& controller = L"未登録",
                            const std::wstring& downloadFolder = L"未設定", int choice = 5,
                            bool check1 = false, bool check2 = false);  // default.ini as written
// A fresh folder `work\name` holding a copy of `program`, no log.ini, and default.ini (CP932)
// only when `settings` are given.
std::wstring installVarnolt(const std::wstring& work, const std::wstring& name,
                            const std::wstring& program, const std::wstring& settings = {});
inline std::wstring installVarnolt(const Env& env, const std::wstring& name,
                                   const std::wstring& settings = {}) {
  return installVarnolt(env.work, name, env.varnolt, settings);
}

// ---------------------------------------------------------------- the program under test
class Varnolt {
 public:
  // Starts the program in `folder`, waits for its main window and pages.
  Varnolt(const std::wstring& exe, const std::wstring& folder, int windowTimeoutMs = 20000,
          const std::wstring& arguments = L"");
  explicit Varnolt(const std::wstring& folder)  // Varnolt.exe of `folder` (installVarnolt)
      : Varnolt(joinPath(folder, L"Varnolt.exe"), folder) {}
  ~Varnolt();
  bool running() const {
    return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
  }
  bool waitExit(int ms) const {
    return ::WaitForSingleObject(process_.get(), static_cast<DWORD>(ms)) == WAIT_OBJECT_0;
  }
  DWORD pid() const { return pid_; }
  HWND child(const std::wstring& cls, const std::wstring& text) const {
    return findChild(main, cls, text);
  }
  HWND logBox() const;  // the work log: the multi-line edit box
  HWND tabs() const;
  HWND statusBar() const;
  HWND messageBox(int timeoutMs) const {
    return dialog([](HWND) { return true; }, timeoutMs);
  }
  HWND dialog(const std::function<bool(HWND)>& ready, int timeoutMs) const;  // or nullptr
  HWND folderBrowser(int timeoutMs) const {
    return dialog([](HWND d) { return findChild(d, L"SysTreeView32", L"") != nullptr; }, timeoutMs);
  }
  bool selectTab(int index) const;
  bool opened(const std::string& what) const;  // checks, named `what`, that the window opened
  void quit(int timeoutMs = 5000) const;       // closes the window, answers the question Yes
  bool pageShown(int k) const;
  bool screenshot(const std::wstring& path) const;  // repainted, then saved as a BMP file
  HWND shownList() const { return shownChild(main, L"SysListView32"); }  // of the shown page
  HWND main = nullptr;
  double startMs = 0;

 private:
  Handle process_;
  DWORD pid_ = 0;
};

std::wstring boxMessage(HWND box);
void answer(HWND box, int id);
HWND conversionList(const Varnolt& v);  // the list view with check boxes and six columns

// ---------------------------------------------------------------- the stand-in controller
std::vector<HWND> standIns();  // main windows of stand-in controllers, whoever started them
void closeStandIns();          // waits for each to end (forced when it hangs)
// RokuCtrl.exe copied into `folder` (made, with its parent), RokuCtrl.ini holding `ini` if given.
std::wstring installStandIn(const std::wstring& folder, const std::wstring& rokuCtrlExe,
                            const std::string& ini = {});

// ---------------------------------------------------------------- the help viewer (help.cpp)
struct Viewer {
  DWORD pid = 0;
  std::wstring commandLine;
};
std::vector<Viewer> viewers();
Viewer waitForViewer(const std::wstring& chm, int timeoutMs);  // empty when none comes
bool closeViewer(DWORD pid);  // as its close box would; ends it when it does not go

}  // namespace winetest
