#include "platform/sim/sim_world.hpp"

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <system_error>
#include <utility>

#include "controls/form.hpp"
#include "platform/sim/sim_desktop.hpp"

namespace varnolt::sim {

namespace fs = std::filesystem;
using platform::DateTime;

// ---------------------------------------------------------------- clock

namespace {

std::int64_t daysFromCivil(int y, int m, int d) {
  using namespace std::chrono;
  return sys_days{year{y} / month{static_cast<unsigned>(m)} / day{static_cast<unsigned>(d)}}
      .time_since_epoch()
      .count();
}

DateTime fromSeconds(std::int64_t seconds, int ms) {
  using namespace std::chrono;
  std::int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
  std::int64_t rest = seconds - days * 86400;
  sys_days sd{std::chrono::days{days}};
  year_month_day ymd{sd};
  weekday wd{sd};
  DateTime t;
  t.year = static_cast<int>(ymd.year());
  t.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
  t.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
  t.hour = static_cast<int>(rest / 3600);
  t.minute = static_cast<int>(rest / 60 % 60);
  t.second = static_cast<int>(rest % 60);
  t.millisecond = ms;
  t.weekday = static_cast<int>(wd.c_encoding());
  return t;
}

}  // namespace

SimClock::SimClock(DateTime start) : start_(start) {
  startSeconds_ = daysFromCivil(start.year, start.month, start.day) * 86400 + start.hour * 3600 +
                  start.minute * 60 + start.second;
}

DateTime SimClock::now() {
  std::int64_t ms = start_.millisecond + nowMs_;
  return fromSeconds(startSeconds_ + ms / 1000, static_cast<int>(ms % 1000));
}

void SimClock::advanceTo(std::int64_t ms) {
  if (ms <= nowMs_) return;
  nowMs_ = ms;
  for (std::size_t i = 0; i < advancers_.size(); ++i) advancers_[i](nowMs_);
}

void SimClock::sleep(int milliseconds) {
  passesSinceSleep_ = 0;
  if (milliseconds > 0) advanceTo(nowMs_ + milliseconds);
}

void SimClock::runPosted() {
  while (!posted_.empty()) {
    auto f = std::move(posted_.front());
    posted_.pop_front();
    f();
  }
}

bool SimClock::fireDue() {
  for (auto& w : timers_) {
    if (!w.due || *w.due > nowMs_) continue;
    // The next tick counts from this one, as a system timer does.
    w.due = nowMs_ + std::max(1, w.timer->interval());
    // A tick of a timer whose previous tick still runs (waiting in the message loop) is
    // dropped; other timers tick meanwhile.
    if (w.running || !w.timer->onTimer) continue;
    w.running = true;
    handlers.push_back(w.timer->name() + "_Timer");
    struct Done {
      Watched& w;
      std::vector<std::string>& handlers;
      ~Done() {
        w.running = false;
        handlers.pop_back();
      }
    } done{w, handlers};
    // The watched list does not change while the program runs; the reference stays valid.
    w.timer->onTimer();
    return true;
  }
  return false;
}

void SimClock::pump() {
  runPosted();
  while (fireDue()) runPosted();
}

void SimClock::doEvents() {
  advanceTo(nowMs_ + 1);
  pump();
  if (++passesSinceSleep_ >= 2 && userTurn) userTurn();
}

void SimClock::watch(controls::Timer& timer) {
  timers_.push_back({&timer, std::nullopt});
  std::size_t index = timers_.size() - 1;
  auto update = [this, index](controls::Control& c, controls::Property) {
    auto& t = static_cast<controls::Timer&>(c);
    auto& w = timers_[index];
    if (t.enabled() && t.interval() > 0)
      w.due = nowMs_ + t.interval();
    else
      w.due.reset();
  };
  timer.subscribe(update);
  update(timer, controls::Property::Enabled);
}

void SimClock::idle(std::int64_t milliseconds) {
  const std::int64_t target = nowMs_ + milliseconds;
  pump();
  for (;;) {
    std::optional<std::int64_t> next;
    for (auto& w : timers_)
      if (w.due && (!next || *w.due < *next)) next = w.due;
    if (!next || *next > target) break;
    advanceTo(*next);
    pump();
  }
  advanceTo(target);
  pump();
}

// ---------------------------------------------------------------- regional

std::string SimRegional::shortDate(const DateTime& t) {
  char b[32];
  std::snprintf(b, sizeof b, "%04d/%02d/%02d", t.year, t.month, t.day);
  return b;
}

std::string SimRegional::longTime(const DateTime& t) {
  char b[32];
  std::snprintf(b, sizeof b, "%d:%02d:%02d", t.hour, t.minute, t.second);
  return b;
}

std::string SimRegional::formatNumber(double value, int decimals) {
  // Half away from zero, as the system's number formatting rounds.
  const double scale = std::pow(10.0, decimals);
  double rounded = std::round(std::fabs(value) * scale) / scale;
  char b[64];
  std::snprintf(b, sizeof b, "%.*f", decimals, rounded);
  std::string digits = b, frac;
  if (auto p = digits.find('.'); p != std::string::npos) {
    frac = digits.substr(p);
    digits.resize(p);
  }
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  bool negative = value < 0 && rounded != 0;
  return (negative ? "-" : "") + grouped + frac;
}

std::string SimRegional::formatPercent(double value) {
  return formatNumber(value * 100, 2) + "%";
}

// ---------------------------------------------------------------- code page 932

namespace {

class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv: CP932 unavailable");
  }
  ~Iconv() { iconv_close(cd_); }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  // Converts `in`; an input sequence the target lacks becomes `replacement` and the
  // conversion goes on after `skip(in)` bytes.
  template <typename Skip>
  std::string run(std::string_view in, std::string_view replacement, Skip skip) {
    std::string out;
    char* src = const_cast<char*>(in.data());
    std::size_t left = in.size();
    char buf[4096];
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    while (left > 0) {
      char* dst = buf;
      std::size_t room = sizeof buf;
      std::size_t r = iconv(cd_, &src, &left, &dst, &room);
      out.append(buf, static_cast<std::size_t>(dst - buf));
      if (r == static_cast<std::size_t>(-1)) {
        if (errno == E2BIG) continue;
        std::size_t n = std::min(left, skip(std::string_view(src, left)));
        out.append(replacement);
        src += n;
        left -= n;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      }
    }
    return out;
  }

 private:
  iconv_t cd_;
};

// Bytes of the damaged sequence at the start of `s`: its lead byte and the continuation
// bytes that follow it. A byte that cannot continue the sequence (a line end among them)
// starts the next character and is never swallowed.
std::size_t utf8Length(std::string_view s) {
  unsigned char c = static_cast<unsigned char>(s[0]);
  std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
  std::size_t k = 1;
  while (k < std::min(n, s.size()) && (static_cast<unsigned char>(s[k]) & 0xC0) == 0x80) ++k;
  return k;
}

std::size_t cp932Length(std::string_view s) {
  unsigned char c = static_cast<unsigned char>(s[0]);
  bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
  if (!lead || s.size() < 2) return 1;
  unsigned char t = static_cast<unsigned char>(s[1]);
  bool trail = (t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC);
  return trail ? 2 : 1;
}

}  // namespace

struct IconvCodec::Converters {
  Iconv toAnsi{"CP932", "UTF-8"};
  Iconv fromAnsi{"UTF-8", "CP932"};
};

IconvCodec::IconvCodec() : converters_(std::make_unique<Converters>()) {}

IconvCodec::~IconvCodec() = default;

std::string IconvCodec::toAnsi(std::string_view utf8) {
  return converters_->toAnsi.run(utf8, "?", utf8Length);
}

std::string IconvCodec::fromAnsi(std::string_view bytes) {
  // The replacement is the system's default character.
  return converters_->fromAnsi.run(bytes, "\xE3\x83\xBB", cp932Length);
}

// ---------------------------------------------------------------- files

SimFileCalls::SimFileCalls()
    : open([](const char* path, int flags, unsigned mode) {
        return ::open(path, flags, static_cast<mode_t>(mode));
      }),
      write([](int fd, const void* data, std::size_t size) {
        return static_cast<long>(::write(fd, data, size));
      }),
      fsync(::fsync),
      close(::close),
      rename(::rename),
      unlink(::unlink) {}

namespace {

bool iequals(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

[[noreturn]] void fail(int number) {
  throw VbError(number);
}

}  // namespace

fs::path SimFileSystem::hostPath(std::string_view windowsPath) const {
  std::string p(windowsPath);
  std::replace(p.begin(), p.end(), '/', '\\');
  if (p.size() < 2 || p[1] != ':' || !std::isalpha(static_cast<unsigned char>(p[0])))
    fail(vb::kErrPathNotFound);
  fs::path host = root_ / std::string(1, lower(p[0]));
  std::error_code ec;
  if (!fs::is_directory(host, ec)) fail(71);  // no such drive
  std::size_t i = 2;
  while (i < p.size()) {
    while (i < p.size() && p[i] == '\\') ++i;
    std::size_t j = p.find('\\', i);
    if (j == std::string::npos) j = p.size();
    std::string part = p.substr(i, j - i);
    i = j;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (host != root_ / std::string(1, lower(p[0]))) host = host.parent_path();
      continue;
    }
    // Windows names are case-insensitive: take an existing entry of any case.
    fs::path exact = host / part;
    if (!fs::exists(exact, ec) && fs::is_directory(host, ec)) {
      for (const auto& e : fs::directory_iterator(host, ec))
        if (iequals(e.path().filename().string(), part)) {
          exact = e.path();
          break;
        }
    }
    host = exact;
  }
  return host;
}

bool SimFileSystem::fileExists(std::string_view path) {
  try {
    std::error_code ec;
    return fs::is_regular_file(hostPath(path), ec);
  } catch (const VbError&) {
    return false;
  }
}

bool SimFileSystem::folderExists(std::string_view path) {
  try {
    std::error_code ec;
    return fs::is_directory(hostPath(path), ec);
  } catch (const VbError&) {
    return false;
  }
}

std::string SimFileSystem::readAll(std::string_view path) {
  fs::path h = hostPath(path);
  std::error_code ec;
  if (!fs::is_regular_file(h, ec)) fail(vb::kErrFileNotFound);
  std::ifstream in(h, std::ios::binary);
  if (!in) fail(vb::kErrPermissionDenied);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void SimFileSystem::replaceFile(std::string_view path, std::string_view bytes) {
  fs::path h = hostPath(path);
  std::error_code ec;
  if (!fs::is_directory(h.parent_path(), ec)) fail(vb::kErrPathNotFound);
  if (fs::is_directory(h, ec)) fail(vb::kErrPathFileAccess);
  if (fs::exists(h, ec) && (attributes(path) & 1)) fail(vb::kErrPermissionDenied);
  fs::path tmp = h;
  tmp += ".tmp~";
  // The run-time error of a failed call, by its errno.
  auto errorNumber = [](int e, int otherwise) {
    switch (e) {
      case ENOSPC:
      case EDQUOT:
        return 61;
      case EACCES:
      case EPERM:
      case EROFS:
      case EBUSY:
        return static_cast<int>(vb::kErrPermissionDenied);
      case ENOENT:
        return static_cast<int>(vb::kErrPathNotFound);
      case 0:
        return otherwise;
      default:
        return static_cast<int>(vb::kErrPathFileAccess);
    }
  };
  int error = 0;
  {
    // The descriptor is closed through the replaceable call, on every way out.
    struct Open {
      SimFileCalls& calls;
      int fd;
      ~Open() {
        if (fd >= 0) calls.close(fd);
      }
      int close() { return calls.close(std::exchange(fd, -1)); }
    } f{calls,
        (errno = 0, calls.open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644))};
    if (f.fd < 0) fail(errorNumber(errno, vb::kErrPermissionDenied));
    for (std::size_t done = 0; done < bytes.size() && error == 0;) {
      const std::size_t chunk = std::min(kWriteChunk, bytes.size() - done);
      errno = 0;
      const long n = calls.write(f.fd, bytes.data() + done, chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0)
        error = errorNumber(errno, 61);
      else if (n == 0)
        error = 61;  // nothing taken and no error: no room left
      done += static_cast<std::size_t>(std::max(n, 0L));
    }
    errno = 0;
    if (error == 0 && calls.fsync(f.fd) != 0) error = errorNumber(errno, 61);
    errno = 0;
    if (f.close() != 0 && error == 0) error = errorNumber(errno, 61);
  }
  errno = 0;
  if (error == 0 && calls.rename(tmp.c_str(), h.c_str()) != 0)
    error = errorNumber(errno, vb::kErrPermissionDenied);
  if (error != 0) {
    calls.unlink(tmp.c_str());
    fail(error);
  }
}

std::int64_t SimFileSystem::fileSize(std::string_view path) {
  fs::path h = hostPath(path);
  std::error_code ec;
  if (!fs::is_regular_file(h, ec)) fail(vb::kErrFileNotFound);
  return static_cast<std::int64_t>(fs::file_size(h, ec));
}

void SimFileSystem::deleteFile(std::string_view path) {
  fs::path h = hostPath(path);
  std::error_code ec;
  if (!fs::is_regular_file(h, ec)) fail(vb::kErrFileNotFound);
  if (attributes(path) & 1) fail(vb::kErrPermissionDenied);
  if (!fs::remove(h, ec)) fail(vb::kErrPermissionDenied);
  attributes_.erase(h.string());
}

bool SimFileSystem::renameFile(std::string_view from, std::string_view to) {
  const fs::path a = hostPath(from), b = hostPath(to);
  std::error_code ec;
  if (!fs::is_regular_file(a, ec) || fs::exists(b, ec)) return false;
  fs::rename(a, b, ec);
  if (ec) return false;
  if (auto it = attributes_.find(a.string()); it != attributes_.end()) {
    attributes_[b.string()] = it->second;
    attributes_.erase(a.string());
  }
  return true;
}

bool SimFileSystem::makeSurePathExists(std::string_view path) {
  std::string p(path);
  auto cut = p.find_last_of("\\/");
  if (cut == std::string::npos) return true;
  try {
    fs::path h = hostPath(p.substr(0, cut + 1));
    std::error_code ec;
    fs::create_directories(h, ec);
    return fs::is_directory(h, ec);
  } catch (const VbError&) {
    return false;
  }
}

std::optional<std::uint64_t> SimFileSystem::freeSpace(std::string_view path) {
  if (path.size() < 2 || path[1] != ':') return std::nullopt;
  char d = lower(path[0]);
  std::error_code ec;
  fs::path drive = root_ / std::string(1, d);
  if (!fs::is_directory(drive, ec)) return std::nullopt;
  if (auto it = free_.find(d); it != free_.end()) return it->second;
  auto info = fs::space(drive, ec);
  if (ec) return std::nullopt;
  return info.available;
}

std::uint32_t SimFileSystem::attributes(std::string_view path) {
  fs::path h = hostPath(path);
  struct stat st {};
  if (::stat(h.c_str(), &st) != 0) fail(vb::kErrFileNotFound);
  const bool readOnly = !(st.st_mode & S_IWUSR);
  if (auto it = attributes_.find(h.string()); it != attributes_.end())
    return (it->second & ~1u) | (readOnly ? 1u : 0u);
  std::uint32_t a = S_ISDIR(st.st_mode) ? 0x10 : 0x20;
  if (readOnly) a |= 1;
  return a;
}

void SimFileSystem::setAttributes(std::string_view path, std::uint32_t attributes) {
  fs::path h = hostPath(path);
  std::error_code ec;
  auto perms = fs::status(h, ec).permissions();
  if (ec) fail(vb::kErrFileNotFound);
  const auto write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  fs::permissions(h, (attributes & 1) ? (perms & ~write) : (perms | fs::perms::owner_write), ec);
  attributes_[h.string()] = attributes;
}

void SimFileSystem::makeFile(std::string_view path, std::uint64_t bytes) {
  if (!makeSurePathExists(path)) fail(vb::kErrPathNotFound);
  fs::path h = hostPath(path);
  std::error_code ec;
  if (!fs::exists(h, ec)) std::ofstream(h, std::ios::binary).flush();
  fs::resize_file(h, bytes, ec);
  if (ec) fail(vb::kErrPermissionDenied);
}

// ---------------------------------------------------------------- dialogs

std::string escapeLine(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out;
}

namespace {

std::vector<int> buttonsOf(unsigned flags) {
  using namespace platform::mb;
  switch (flags & 0xF) {
    case kOkCancel:
      return {kIdOk, kIdCancel};
    case kAbortRetryIgnore:
      return {kIdAbort, kIdRetry, kIdIgnore};
    case kYesNoCancel:
      return {kIdYes, kIdNo, kIdCancel};
    case kYesNo:
      return {kIdYes, kIdNo};
    case kRetryCancel:
      return {kIdRetry, kIdCancel};
    default:
      return {kIdOk};
  }
}

}  // namespace

int SimDialogs::messageBox(std::string_view text, std::string_view title, unsigned flags) {
  sink_("msgbox " + std::to_string(flags) + "|" + std::string(title) + "|" + escapeLine(text));
  auto buttons = buttonsOf(flags);
  if (answers.empty()) return buttons.front();
  int a = answers.front();
  answers.pop_front();
  if (std::find(buttons.begin(), buttons.end(), a) == buttons.end())
    throw ScriptMismatch{"the queued answer is not a button of the message box \"" +
                         escapeLine(text) + "\""};
  return a;
}

std::optional<std::string> SimDialogs::openFile(const platform::OpenFileRequest& request) {
  sink_("openfile " + request.title + "|" + request.filter);
  if (openFileAnswers.empty()) return std::nullopt;
  auto a = openFileAnswers.front();
  openFileAnswers.pop_front();
  return a;
}

std::vector<std::string> SimDialogs::openFiles(const platform::OpenFileRequest& request) {
  sink_("openfiles " + request.title + "|" + request.filter);
  if (openFileAnswers.empty()) return {};
  auto a = openFileAnswers.front();
  openFileAnswers.pop_front();
  if (!a || a->empty()) return {};
  // A Windows path holds no '|'.
  return vb::split(*a, "|");
}

std::string SimDialogs::browseFolder(Hwnd, std::string_view title, std::string_view startFolder) {
  sink_("browse " + std::string(title) + "|" + std::string(startFolder));
  if (browses.empty()) return std::string(startFolder);
  auto a = browses.front();
  browses.pop_front();
  return a ? *a : std::string(startFolder);
}

void SimDialogs::showModal(controls::ModalForm& form) {
  sink_("modal " + form.name());
  form.Form_Load();
  if (modalLoop) modalLoop(form);
  sink_("endmodal " + form.name());
}

// ---------------------------------------------------------------- registry, power, shell

std::string SimRegistry::norm(platform::RegRoot root, std::string_view key) {
  std::string k = std::to_string(static_cast<int>(root)) + "\\";
  for (char c : key) k += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return k;
}

void SimRegistry::set(platform::RegRoot root, std::string key, std::string name,
                      platform::RegValue v) {
  std::string n;
  for (char c : name) n += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  keys_[norm(root, key)][n] = std::move(v);
}

bool SimRegistry::keyExists(platform::RegRoot root, std::string_view key) {
  return keys_.count(norm(root, key)) > 0;
}

std::optional<platform::RegValue> SimRegistry::queryValue(platform::RegRoot root,
                                                          std::string_view key,
                                                          std::string_view name) {
  auto k = keys_.find(norm(root, key));
  if (k == keys_.end()) return std::nullopt;
  std::string n;
  for (char c : name) n += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  auto v = k->second.find(n);
  if (v == k->second.end()) return std::nullopt;
  return v->second;
}

void SimPower::enableShutdownPrivilege() {
  sink_("power: privilege SeShutdownPrivilege");
}

platform::PowerResult SimPower::exitWindows(platform::ExitKind kind) {
  static const char* names[] = {"logoff", "reboot", "poweroff"};
  sink_(std::string("power: ") + names[static_cast<int>(kind)]);
  return {true, 0};
}

platform::PowerResult SimPower::setSystemPowerState(bool suspend) {
  const std::uint32_t error = nextPowerStateError;
  nextPowerStateError = 0;
  sink_(std::string("power: ") + (suspend ? "suspend" : "hibernate") +
        (error ? " failed " + std::to_string(error) : std::string()));
  return {error == 0, error};
}

void SimPower::keepAwake(bool on) {
  sink_(std::string("power: awake ") + (on ? "on" : "off"));
}

std::uint32_t SimShell::startProgram(std::string_view path) {
  if (!files_.fileExists(path)) throw VbError(vb::kErrFileNotFound);
  for (auto& [p, start] : programs)
    if (iequals(p, std::string(path))) return start();
  // Any other file starts a program without windows.
  sink_("start " + std::string(path));
  return nextPid_ += 4;
}

void SimShell::openDocument(Hwnd, std::string_view path) {
  sink_("shell open " + std::string(path));
}

// ---------------------------------------------------------------- world

SimWorld::SimWorld(fs::path root, DateTime start, EventSink s)
    : sink(std::move(s)),
      clock(start),
      files(root),
      dialogs(sink),
      shell(sink, files),
      power(sink),
      tasks([this](std::string_view l) { sink(l); }),
      desktop(std::make_unique<SimDesktop>(clock)),
      platform{clock,    regional, codec, files,         dialogs, shell,
               registry, *desktop, power, "C:\\Varnolt", {},      &tasks} {}

SimWorld::~SimWorld() = default;

}  // namespace varnolt::sim
