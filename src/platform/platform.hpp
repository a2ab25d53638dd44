// The ports: everything the program needs from the operating system. The simulated
// desktop and the Windows backend each implement them; handlers see only these.
// What both must do alike is written once, in the ports' non-virtual members
// (src/platform/*.cpp), over the system calls each backend fills (the protected
// members), so the headless tests run the algorithms that ship.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/text_rules.hpp"
#include "platform/task_scheduler.hpp"

namespace varnolt::controls {
class ModalForm;
}

namespace varnolt::platform {

// Local date and time.
struct DateTime {
  int year = 2000, month = 1, day = 1;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
  int weekday = 0;  // 0 = Sunday
};

// Clock and waiting. Texts are UTF-8 throughout the program.
class Clock {
 public:
  virtual ~Clock() = default;
  [[nodiscard]] virtual DateTime now() = 0;
  // Milliseconds of a monotonic clock.
  [[nodiscard]] virtual std::int64_t ticks() = 0;
  // Blocks the user-interface thread: no window message and no timer is handled meanwhile.
  virtual void sleep(int milliseconds) = 0;
  // One pass through the pending window messages (timers that are due included).
  virtual void doEvents() = 0;
};

// The user's regional settings, as the system's default conversions apply them.
class Regional {
 public:
  virtual ~Regional() = default;
  [[nodiscard]] virtual std::string shortDate(const DateTime& t) = 0;  // 2004/10/17
  [[nodiscard]] virtual std::string longTime(const DateTime& t) = 0;   // 21:05:33
  // Number with `decimals` digits after the point, halves rounded away from zero, with
  // the user's decimal point, digit grouping and negative sign.
  [[nodiscard]] std::string formatNumber(double value, int decimals);
  // value as a percentage with the default number of decimals.
  [[nodiscard]] std::string formatPercent(double value);

 protected:
  // The system call: the system's number formatting of a plain decimal text ("-1234.50")
  // with `decimals` digits after the point.
  virtual std::string formatPlainNumber(const std::string& plain, int decimals) = 0;
};

// The system's ANSI code page (932 on the systems the program targets).
class AnsiCodec {
 public:
  virtual ~AnsiCodec() = default;
  // Characters the code page lacks become '?', as the system's conversion does.
  [[nodiscard]] virtual std::string toAnsi(std::string_view utf8) = 0;
  [[nodiscard]] virtual std::string fromAnsi(std::string_view bytes) = 0;
  // True for the first byte of a double-byte character.
  [[nodiscard]] virtual bool isLeadByte(unsigned char byte) = 0;
};

// The outcome of one system call of a port: success, or a failure with the run-time
// error number the system's own error stands for (0 when the system named none).
struct [[nodiscard]] CallResult {
  bool ok = true;
  int error = 0;
  static CallResult success() { return {}; }
  static CallResult failure(int error) { return {false, error}; }
  // The error number of a failure; `otherwise` when the system named none, since a
  // failed call still fails.
  int errorOr(int otherwise) const { return error != 0 ? error : otherwise; }
};

// File attribute values, as the system keeps them.
namespace attr {
inline constexpr std::uint32_t kReadOnly = 0x1, kHidden = 0x2, kSystem = 0x4, kDirectory = 0x10,
                               kArchive = 0x20, kNormal = 0x80;
}  // namespace attr

// Files and folders by Windows path ("C:\Varnolt\log.ini"). Failures throw RunError with
// the number the scripting runtime would raise (53 file not found, 76 path not found...).
class FileSystem {
 public:
  // Bytes handed to one write call.
  static constexpr std::size_t kWriteChunk = std::size_t{64} * 1024;

  virtual ~FileSystem() = default;
  [[nodiscard]] virtual bool fileExists(std::string_view path) = 0;
  [[nodiscard]] virtual bool folderExists(std::string_view path) = 0;
  [[nodiscard]] virtual std::string readAll(std::string_view path) = 0;
  // Writes through a temporary file in the same folder and replaces the target in one
  // step, so a crash never leaves a half-written file.
  void replaceFile(std::string_view path, std::string_view bytes);
  [[nodiscard]] virtual std::int64_t fileSize(std::string_view path) = 0;
  virtual void deleteFile(std::string_view path) = 0;
  // Renames a file; never replaces an existing target. False when the file could not
  // be renamed (the target exists, the file is still open, access denied).
  [[nodiscard]] virtual bool renameFile(std::string_view from, std::string_view to) = 0;
  // Creates every missing folder of `path` (up to its last backslash); false on failure.
  [[nodiscard]] bool makeSurePathExists(std::string_view path);
  // Bytes available to the user on the drive holding `path`; nullopt when unknown.
  [[nodiscard]] virtual std::optional<std::uint64_t> freeSpace(std::string_view path) = 0;
  [[nodiscard]] virtual std::uint32_t attributes(std::string_view path) = 0;
  virtual void setAttributes(std::string_view path, std::uint32_t attributes) = 0;

 protected:
  // The system calls that replaceFile and makeSurePathExists are made of, by Windows
  // path. A file open for writing is known by the handle its creation gave.
  using FileHandle = std::intptr_t;
  enum class NewFolder { Created, AlreadyExists, Failed };
  // The attributes of a file or folder; nullopt when there is none.
  [[nodiscard]] virtual std::optional<std::uint32_t> findAttributes(std::string_view path) = 0;
  // Gives a file normal attributes; what comes of it is left to the calls after it.
  virtual void clearAttributes(std::string_view path) = 0;
  [[nodiscard]] virtual NewFolder createFolder(std::string_view path) = 0;
  // Creates a file, emptying one of that name, and opens it for writing.
  virtual CallResult createFile(std::string_view path, FileHandle& handle) = 0;
  // Writes some of `bytes` (all of them, or fewer when the system takes fewer).
  virtual CallResult writeFile(FileHandle handle, std::string_view bytes, std::size_t& written) = 0;
  virtual CallResult flushFile(FileHandle handle) = 0;
  // The handle is gone afterwards, whatever the result.
  virtual CallResult closeFile(FileHandle handle) = 0;
  // Moves a file over another one, replacing it.
  virtual CallResult moveReplacing(std::string_view from, std::string_view to) = 0;
  // Deletes a file; what comes of it is not examined.
  virtual void removeFile(std::string_view path) = 0;

 private:
  bool existingFolder(std::string_view path);
};

// Message boxes and the standard modal dialogs.
namespace mb {
inline constexpr unsigned kOk = 0x0, kOkCancel = 0x1, kAbortRetryIgnore = 0x2, kYesNoCancel = 0x3,
                          kYesNo = 0x4, kRetryCancel = 0x5;
inline constexpr unsigned kIconStop = 0x10, kIconQuestion = 0x20, kIconExclamation = 0x30,
                          kIconInformation = 0x40;
inline constexpr int kIdOk = 1, kIdCancel = 2, kIdAbort = 3, kIdRetry = 4, kIdIgnore = 5,
                     kIdYes = 6, kIdNo = 7;
}  // namespace mb

struct OpenFileRequest {
  std::string filter;  // "desc|pattern|desc|pattern|"
  std::string title;
  std::string initialDir;
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Shows a modal message box owned by the main window; returns the button pressed.
  virtual int messageBox(std::string_view text, std::string_view title, unsigned flags) = 0;
  // File-open dialog; nullopt when the user cancels.
  [[nodiscard]] virtual std::optional<std::string> openFile(const OpenFileRequest& request) = 0;
  // File-open dialog in which several files can be chosen; full paths in the order the
  // dialog gives them, none when the user cancels.
  [[nodiscard]] virtual std::vector<std::string> openFiles(const OpenFileRequest& request) = 0;
  // Folder browser opened at `startFolder`; returns the chosen folder, the start folder
  // on cancel, "" when the chosen item has no file-system path.
  [[nodiscard]] virtual std::string browseFolder(Hwnd owner, std::string_view title,
                                                 std::string_view startFolder) = 0;
  // Shows a dialog of the program modally: runs its Form_Load, then the message loop
  // until the dialog closes. The main window is blocked meanwhile.
  virtual void showModal(controls::ModalForm& form) = 0;
};

// Starting programs and opening documents.
class Shell {
 public:
  virtual ~Shell() = default;
  // Starts a program with a normal, focused window. Returns its process identifier,
  // 0 when it could not be started; a path that does not exist throws RunError 53.
  [[nodiscard]] virtual std::uint32_t startProgram(std::string_view path) = 0;
  // Opens a document with its default verb; the result is not reported.
  virtual void openDocument(Hwnd owner, std::string_view path) = 0;
};

// Registry reading.
enum class RegRoot { ClassesRoot, CurrentUser, LocalMachine, Users };
struct RegValue {
  std::uint32_t type = 0;  // REG_SZ = 1
  std::string data;        // raw bytes as stored (ANSI for strings)
};
class Registry {
 public:
  virtual ~Registry() = default;
  [[nodiscard]] virtual bool keyExists(RegRoot root, std::string_view key) = 0;
  [[nodiscard]] virtual std::optional<RegValue> queryValue(RegRoot root, std::string_view key,
                                                           std::string_view name) = 0;
};

// Windows of other programs, by 32-bit handle.
enum class ClickMode { Posted, Sent, SentWithTimeout };
class WindowSystem {
 public:
  virtual ~WindowSystem() = default;
  // Top-level windows in Z-order, topmost first; children depth-first in system order.
  [[nodiscard]] virtual std::vector<Hwnd> topLevelWindows() = 0;
  [[nodiscard]] virtual std::vector<Hwnd> childWindows(Hwnd parent) = 0;
  [[nodiscard]] virtual bool isWindow(Hwnd h) = 0;
  // Class name and caption read into buffers of `bufferChars` characters, cut at the first NUL.
  [[nodiscard]] virtual std::string className(Hwnd h, int bufferChars) = 0;
  [[nodiscard]] virtual std::string windowText(Hwnd h, int bufferChars) = 0;
  // WM_GETTEXTLENGTH and WM_GETTEXT as the program sends them: the length in bytes of
  // the ANSI code page, and the text read into an ANSI buffer of `bufferBytes` bytes, so
  // cut to one byte less (the terminating NUL), never inside a double-byte character.
  // 0 / "" when the window does not answer.
  [[nodiscard]] int getTextLength(Hwnd h);
  [[nodiscard]] std::string getText(Hwnd h, int bufferBytes);
  // WM_SETTEXT; false when the window does not answer.
  virtual bool setText(Hwnd h, std::string_view text) = 0;
  [[nodiscard]] virtual int listBoxCount(Hwnd h) = 0;
  // LB_GETTEXT of a whole entry; "" when the list box does not answer or has no such entry.
  [[nodiscard]] virtual std::string listBoxText(Hwnd h, int index) = 0;
  // LB_SETCURSEL; the index selected, LB_ERR (-1) when none is.
  virtual int listBoxSetCurSel(Hwnd h, int index) = 0;
  virtual void keyDown(Hwnd h, int virtualKey) = 0;
  // WM_ACTIVATE (1, 0) sent to the window.
  virtual void activate(Hwnd h) = 0;
  // BM_CLICK in one of the three forms; false when a sent click timed out or failed, or a
  // posted one could not be posted.
  [[nodiscard]] virtual bool click(Hwnd h, ClickMode mode, int timeoutMs) = 0;
  [[nodiscard]] virtual int trackbarPos(Hwnd h) = 0;
  [[nodiscard]] virtual int trackbarMin(Hwnd h) = 0;
  [[nodiscard]] virtual int trackbarMax(Hwnd h) = 0;
  [[nodiscard]] virtual bool isEnabled(Hwnd h) = 0;
  virtual bool showWindow(Hwnd h, int command) = 0;
  virtual bool setForeground(Hwnd h) = 0;
  // The program owning `h` runs with a higher integrity level than this one (a
  // controller started as administrator): the system drops the messages sent or posted
  // to it, while its windows, classes and captions can still be read. Also true when a
  // message sent to it is refused with "access denied".
  [[nodiscard]] virtual bool refusesMessages(Hwnd h) = 0;

 protected:
  // The texts the program reads are measured and cut in this code page.
  explicit WindowSystem(AnsiCodec& codec) : codec_(codec) {}
  // The system call: the whole text of a window (WM_GETTEXTLENGTH, then WM_GETTEXT with
  // room for all of it); nullopt when the window does not answer.
  [[nodiscard]] virtual std::optional<std::string> wholeText(Hwnd h) = 0;

 private:
  AnsiCodec& codec_;
};

// Session and power control. No call examines the privilege step's outcome; the
// requests report the system's answer and its last-error value, which the end-of-work
// messages are chosen by.
enum class ExitKind { LogOff, Reboot, PowerOff };
struct PowerResult {
  bool ok = false;
  std::uint32_t lastError = 0;  // the system's last-error value right after the call
};
class Power {
 public:
  virtual ~Power() = default;
  // Enables SeShutdownPrivilege in the program's own token.
  virtual void enableShutdownPrivilege() = 0;
  // Ends the session without forcing other programs to close.
  [[nodiscard]] virtual PowerResult exitWindows(ExitKind kind) = 0;
  // Suspend (true) or hibernate (false), never forced. Returns once the machine has
  // resumed, or at once when the request fails.
  [[nodiscard]] virtual PowerResult setSystemPowerState(bool suspend) = 0;
  // While on, the system does not sleep for idleness (the display may still turn off);
  // off gives that back. Asked at every start and end of a night.
  virtual void keepAwake(bool on) = 0;
};

// Everything the program is given of the operating system.
struct Platform {
  Clock& clock;
  Regional& regional;
  AnsiCodec& codec;
  FileSystem& files;
  Dialogs& dialogs;
  Shell& shell;
  Registry& registry;
  WindowSystem& windows;
  Power& power;
  // Folder of the executable, without a trailing backslash.
  std::string appPath;
  // Handle of the main window as the system knows it (0 off-screen).
  std::function<Hwnd()> mainWindow;
  // The Task Scheduler; nullptr where there is none.
  TaskScheduler* tasks = nullptr;
};

}  // namespace varnolt::platform
