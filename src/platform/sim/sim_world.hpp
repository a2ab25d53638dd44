// The simulated desktop: a virtual clock, drive letters mapped onto host folders,
// scripted answers for dialogs, and the windows of other programs.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "controls/controls.hpp"
#include "platform/platform.hpp"
#include "platform/sim/sim_task_scheduler.hpp"

namespace varnolt::sim {

class SimDesktop;

using EventSink = std::function<void(std::string_view line)>;

// A scenario that answers a box with a button it does not have. Not derived from
// std::exception, so that no handler of the program can swallow it.
struct ScriptMismatch {
  std::string message;
};

// CR and LF written as \r and \n, so one event stays one line.
std::string escapeLine(std::string_view s);

// File and program names compare as Windows compares them: letters in either case.
bool sameNameIgnoringCase(std::string_view a, std::string_view b);

// Virtual time: moves only when the program sleeps or the scenario waits.
class SimClock : public platform::Clock {
 public:
  SimClock(platform::DateTime start);
  platform::DateTime now() override;
  std::int64_t ticks() override { return nowMs_; }
  void sleep(int milliseconds) override;
  // One pass of the message loop run by a handler: 1 ms of virtual time passes, posted
  // work and due timer ticks are handled, and when the handler spins (a second pass
  // with no sleep since the last one) the user gets a turn.
  void doEvents() override;
  // The runner's own pass: what is posted and due is handled, no time passes.
  void pump();

  // Follows a timer of the program: its ticks become due `interval` after it is enabled.
  void watch(controls::Timer& timer);
  // The program idles in its message loop for `milliseconds`, handling due timers.
  void idle(std::int64_t milliseconds);
  // Things outside the program that move with time (the stand-in controller).
  void onAdvance(std::function<void(std::int64_t nowMs)> f) { advancers_.push_back(std::move(f)); }
  // Work to run on the next pass of the message loop (posted messages).
  void post(std::function<void()> f) { posted_.push_back(std::move(f)); }
  // Forgets the program's timers: the program has ended without closing anything.
  void forgetTimers() { timers_.clear(); }
  // Called when a spinning handler lets the user act.
  std::function<void()> userTurn;
  // A new user action starts: it has not spun yet.
  void resetSpin() { passesSinceSleep_ = 0; }
  // Names of the handlers running now, innermost last ("Command9_Click", "Timer2_Timer").
  std::vector<std::string> handlers;

 private:
  struct Watched {
    controls::Timer* timer;
    std::optional<std::int64_t> due;
    bool running = false;
  };
  void advanceTo(std::int64_t ms);
  void runPosted();
  bool fireDue();
  platform::DateTime start_;
  std::int64_t startSeconds_;
  std::int64_t nowMs_ = 0;
  std::vector<Watched> timers_;
  std::vector<std::function<void(std::int64_t)>> advancers_;
  std::deque<std::function<void()>> posted_;
  int passesSinceSleep_ = 0;
};

// Japanese regional defaults.
class SimRegional : public platform::Regional {
 public:
  std::string shortDate(const platform::DateTime& t) override;
  std::string longTime(const platform::DateTime& t) override;

 protected:
  std::string formatPlainNumber(const std::string& plain, int decimals) override;
};

// Code page 932 through iconv.
class IconvCodec : public platform::AnsiCodec {
 public:
  IconvCodec();
  ~IconvCodec() override;
  std::string toAnsi(std::string_view utf8) override;
  std::string fromAnsi(std::string_view bytes) override;
  bool isLeadByte(unsigned char byte) override;

 private:
  // Both directions, opened once: opening a conversion costs more than a line of text.
  struct Converters;
  std::unique_ptr<Converters> converters_;
};

// The host's system calls that write a file, replaceable so that tests can interrupt the
// writing at any step or make any step fail (a failing call sets errno).
struct SimFileCalls {
  std::function<int(const char* path, int flags, unsigned mode)> open;
  std::function<long(int fd, const void* data, std::size_t size)> write;
  std::function<int(int fd)> fsync;
  std::function<int(int fd)> close;
  std::function<int(const char* from, const char* to)> rename;
  std::function<int(const char* path)> unlink;
  SimFileCalls();
};

// Drive "X:" is the host folder <root>/x.
class SimFileSystem : public platform::FileSystem {
 public:
  SimFileCalls calls;
  explicit SimFileSystem(std::filesystem::path root) : root_(std::move(root)) {}
  // Host path of a Windows path; throws 76 for a path without a drive, 71 for a missing drive.
  std::filesystem::path hostPath(std::string_view windowsPath) const;
  void setFreeSpace(char drive, std::uint64_t bytes) { free_[lower(drive)] = bytes; }
  // Creates (or cuts) a file of `bytes` bytes, sparse, so any size costs nothing.
  void makeFile(std::string_view path, std::uint64_t bytes);

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
  static char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
  std::filesystem::path root_;
  std::map<char, std::uint64_t> free_;
  // Attribute values set explicitly, kept as given, by host path; read-only is also
  // carried by the host file's permissions.
  std::map<std::string, std::uint32_t> attributes_;
};

// Scripted answers for message boxes and dialogs; every box is reported to the sink.
class SimDialogs : public platform::Dialogs {
 public:
  SimDialogs(EventSink& sink) : sink_(sink) {}
  std::deque<int> answers;  // button ids
  // nullopt = cancel; several paths for openFiles are separated by '|'
  std::deque<std::optional<std::string>> openFileAnswers;
  std::deque<std::optional<std::string>> browses;  // nullopt = cancel
  // Runs a modal dialog; unset, the dialog is loaded and left at once.
  std::function<void(controls::ModalForm&)> modalLoop;

  int messageBox(std::string_view text, std::string_view title, unsigned flags) override;
  std::optional<std::string> openFile(const platform::OpenFileRequest& request) override;
  std::vector<std::string> openFiles(const platform::OpenFileRequest& request) override;
  std::string browseFolder(Hwnd owner, std::string_view title,
                           std::string_view startFolder) override;
  void showModal(controls::ModalForm& form) override;

 private:
  EventSink& sink_;
};

class SimRegistry : public platform::Registry {
 public:
  void set(platform::RegRoot root, const std::string& key, const std::string& name,
           platform::RegValue v);
  bool keyExists(platform::RegRoot root, std::string_view key) override;
  std::optional<platform::RegValue> queryValue(platform::RegRoot root, std::string_view key,
                                               std::string_view name) override;

 private:
  static std::string norm(platform::RegRoot root, std::string_view key);
  std::map<std::string, std::map<std::string, platform::RegValue>> keys_;
};

// Records every request as a "power: ..." line; nothing really happens.
class SimPower : public platform::Power {
 public:
  explicit SimPower(EventSink& sink) : sink_(sink) {}
  // Last error the next power-state request fails with; 0 = it succeeds. Used once.
  std::uint32_t nextPowerStateError = 0;
  void enableShutdownPrivilege() override;
  platform::PowerResult exitWindows(platform::ExitKind kind) override;
  platform::PowerResult setSystemPowerState(bool suspend) override;
  void keepAwake(bool on) override;

 private:
  EventSink& sink_;
};

class SimShell : public platform::Shell {
 public:
  SimShell(EventSink& sink, SimFileSystem& files) : sink_(sink), files_(files) {}
  // Programs that run when a file at this Windows path is started (case-insensitive).
  std::map<std::string, std::function<std::uint32_t()>> programs;
  std::uint32_t startProgram(std::string_view path) override;
  void openDocument(Hwnd owner, std::string_view path) override;

 private:
  EventSink& sink_;
  SimFileSystem& files_;
  std::uint32_t nextPid_ = 0x1000;
};

// The whole simulated world, wired as the program's platform.
class SimWorld {
 public:
  SimWorld(std::filesystem::path root, platform::DateTime start, EventSink sink);
  ~SimWorld();

  EventSink sink;
  SimClock clock;
  SimRegional regional;
  IconvCodec codec;
  SimFileSystem files;
  SimDialogs dialogs;
  SimShell shell;
  SimRegistry registry;
  SimPower power;
  SimTaskScheduler tasks;
  std::unique_ptr<SimDesktop> desktop;
  platform::Platform platform;
  // The power fails: every program on the desktop ends at once.
  std::vector<std::function<void()>> onPowerCut;
};

}  // namespace varnolt::sim
