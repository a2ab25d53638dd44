// The ports on the Windows API. Texts cross into the system as UTF-16 through the
// wide-character functions; the ANSI code page appears only where the program's
// files and the other program's texts are defined in it.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/platform.hpp"
#include "platform/win32/win_task_scheduler.hpp"
#include "platform/win32/win_util.hpp"

namespace varnolt::win32 {

// How long a message sent to another program's window may take before the program
// gives up on it (a hung window answers nothing).
inline constexpr unsigned kSendTimeoutMs = 5000;
// A click whose handling the program waits for ("保存(&S)", "中断").
inline constexpr unsigned kSentClickTimeoutMs = 30000;

class WinClock : public platform::Clock {
 public:
  platform::DateTime now() override;
  std::int64_t ticks() override;
  void sleep(int milliseconds) override;
  void doEvents() override;
  // The window layer's accelerator and dialog navigation; true when it took the message.
  std::function<bool(MSG&)> preTranslate;
};

class WinRegional : public platform::Regional {
 public:
  std::string shortDate(const platform::DateTime& t) override;
  std::string longTime(const platform::DateTime& t) override;

 protected:
  std::string formatPlainNumber(const std::string& plain, int decimals) override;
};

// The program's files and the other program's texts are in code page 932.
class WinCodec : public platform::AnsiCodec {
 public:
  static constexpr unsigned kCodePage = 932;
  std::string toAnsi(std::string_view utf8) override;
  std::string fromAnsi(std::string_view bytes) override;
  bool isLeadByte(unsigned char byte) override;
};

// The system calls that write a file, replaceable so that tests can interrupt the
// writing at any step or make any step fail.
struct FileCalls {
  std::function<HANDLE(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE)>
      createFile = ::CreateFileW;
  std::function<BOOL(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED)> writeFile = ::WriteFile;
  std::function<BOOL(HANDLE)> flushFileBuffers = ::FlushFileBuffers;
  std::function<BOOL(HANDLE)> closeHandle = ::CloseHandle;
  std::function<BOOL(LPCWSTR, LPCWSTR, DWORD)> moveFileEx = ::MoveFileExW;
  std::function<BOOL(LPCWSTR)> deleteFile = ::DeleteFileW;
  std::function<BOOL(LPCWSTR, DWORD)> setFileAttributes = ::SetFileAttributesW;
  std::function<DWORD()> getLastError = ::GetLastError;
};

class WinFileSystem : public platform::FileSystem {
 public:
  FileCalls calls;
  bool fileExists(std::string_view path) override;
  bool folderExists(std::string_view path) override;
  std::string readAll(std::string_view path) override;
  std::int64_t fileSize(std::string_view path) override;
  void deleteFile(std::string_view path) override;
  bool renameFile(std::string_view from, std::string_view to) override;
  std::optional<std::uint64_t> freeSpace(std::string_view path) override;
  std::uint32_t attributes(std::string_view path) override;
  void setAttributes(std::string_view path, std::uint32_t attributes) override;

 protected:
  std::optional<std::uint32_t> findAttributes(std::string_view path) override;
  void clearAttributes(std::string_view path) override;
  NewFolder createFolder(std::string_view path) override;
  platform::CallResult createFile(std::string_view path, FileHandle& handle) override;
  platform::CallResult writeFile(FileHandle handle, std::string_view bytes,
                                 std::size_t& written) override;
  platform::CallResult flushFile(FileHandle handle) override;
  platform::CallResult closeFile(FileHandle handle) override;
  platform::CallResult moveReplacing(std::string_view from, std::string_view to) override;
  void removeFile(std::string_view path) override;

 private:
  // The failure of the call just made, by the system's last error.
  platform::CallResult failed();
};

class WinDialogs : public platform::Dialogs {
 public:
  // The window that owns message boxes: the open modal dialog, else the main window.
  std::function<HWND()> owner;
  // Renders a dialog of the program and runs its modal loop (the window layer).
  std::function<void(controls::ModalForm&)> modalRenderer;

  int messageBox(std::string_view text, std::string_view title, unsigned flags) override;
  std::optional<std::string> openFile(const platform::OpenFileRequest& request) override;
  std::vector<std::string> openFiles(const platform::OpenFileRequest& request) override;
  std::string browseFolder(Hwnd owner, std::string_view title,
                           std::string_view startFolder) override;
  void showModal(controls::ModalForm& form) override;
};

class WinShell : public platform::Shell {
 public:
  std::uint32_t startProgram(std::string_view path) override;
  void openDocument(Hwnd owner, std::string_view path) override;
};

class WinRegistry : public platform::Registry {
 public:
  bool keyExists(platform::RegRoot root, std::string_view key) override;
  std::optional<platform::RegValue> queryValue(platform::RegRoot root, std::string_view key,
                                               std::string_view name) override;
};

class WinWindowSystem : public platform::WindowSystem {
 public:
  explicit WinWindowSystem(platform::AnsiCodec& codec) : WindowSystem(codec) {}
  std::vector<Hwnd> topLevelWindows() override;
  std::vector<Hwnd> childWindows(Hwnd parent) override;
  bool isWindow(Hwnd h) override;
  std::string className(Hwnd h, int bufferChars) override;
  std::string windowText(Hwnd h, int bufferChars) override;
  bool setText(Hwnd h, std::string_view text) override;
  int listBoxCount(Hwnd h) override;
  std::string listBoxText(Hwnd h, int index) override;
  int listBoxSetCurSel(Hwnd h, int index) override;
  void keyDown(Hwnd h, int virtualKey) override;
  void activate(Hwnd h) override;
  bool click(Hwnd h, platform::ClickMode mode, int timeoutMs) override;
  int trackbarPos(Hwnd h) override;
  int trackbarMin(Hwnd h) override;
  int trackbarMax(Hwnd h) override;
  bool isEnabled(Hwnd h) override;
  bool showWindow(Hwnd h, int command) override;
  bool setForeground(Hwnd h) override;
  // win_integrity.cpp
  bool refusesMessages(Hwnd h) override;

 protected:
  std::optional<std::string> wholeText(Hwnd h) override;

 private:
  // Whole text of a list box entry, UTF-16, read through timed sends.
  std::wstring wideListText(HWND h, int index);
};

// The system calls of the session and power requests, replaceable so that tests can
// check what would be asked without asking the host.
struct PowerCalls {
  BOOL(WINAPI* openProcessToken)(HANDLE, DWORD, PHANDLE) = ::OpenProcessToken;
  BOOL(WINAPI* lookupPrivilegeValue)(LPCSTR, LPCSTR, PLUID) = ::LookupPrivilegeValueA;
  BOOL(WINAPI* adjustTokenPrivileges)
  (HANDLE, BOOL, PTOKEN_PRIVILEGES, DWORD, PTOKEN_PRIVILEGES, PDWORD) = ::AdjustTokenPrivileges;
  BOOL(WINAPI* exitWindowsEx)(UINT, DWORD) = ::ExitWindowsEx;
  BOOL(WINAPI* setSystemPowerState)(BOOL, BOOL) = ::SetSystemPowerState;
  EXECUTION_STATE(WINAPI* setThreadExecutionState)(EXECUTION_STATE) = ::SetThreadExecutionState;
  DWORD(WINAPI* getLastError)() = ::GetLastError;
};

class WinPower : public platform::Power {
 public:
  PowerCalls calls;
  void enableShutdownPrivilege() override;
  platform::PowerResult exitWindows(platform::ExitKind kind) override;
  platform::PowerResult setSystemPowerState(bool suspend) override;
  void keepAwake(bool on) override;
};

// Folder of the running executable, without a trailing backslash.
std::string moduleFolder();

// Every port, wired as the program's platform.
class WinPlatform {
 public:
  WinPlatform();
  WinClock clock;
  WinRegional regional;
  WinCodec codec;
  WinFileSystem files;
  WinDialogs dialogs;
  WinShell shell;
  WinRegistry registry;
  WinWindowSystem windows;
  WinPower power;
  WinTaskScheduler tasks;
  platform::Platform platform;
};

}  // namespace varnolt::win32
