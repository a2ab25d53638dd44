// Drive letters mapped onto host folders.
#include "platform/sim/sim_world.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <sstream>
#include <system_error>
#include <utility>

namespace varnolt::sim {

namespace fs = std::filesystem;

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

bool sameNameIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

namespace {

[[noreturn]] void fail(int number) {
  throw RunError(number);
}

// The run-time error number of a failed system call, by its errno; 0 when it set none.
int errorNumber(int e) {
  switch (e) {
    case 0:
      return 0;
    case ENOSPC:
    case EDQUOT:
      return run_error::kDiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
    case EBUSY:
    case EISDIR:
      return run_error::kPermissionDenied;
    case ENOENT:
      return run_error::kPathNotFound;
    default:
      return run_error::kPathFileAccess;
  }
}

platform::CallResult failedWithErrno() {
  return platform::CallResult::failure(errorNumber(errno));
}

}  // namespace

fs::path SimFileSystem::hostPath(std::string_view windowsPath) const {
  std::string p(windowsPath);
  std::replace(p.begin(), p.end(), '/', '\\');
  if (p.size() < 2 || p[1] != ':' || !std::isalpha(static_cast<unsigned char>(p[0])))
    fail(run_error::kPathNotFound);
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
        if (sameNameIgnoringCase(e.path().filename().string(), part)) {
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
  } catch (const RunError&) {
    return false;
  }
}

bool SimFileSystem::folderExists(std::string_view path) {
  try {
    std::error_code ec;
    return fs::is_directory(hostPath(path), ec);
  } catch (const RunError&) {
    return false;
  }
}

std::string SimFileSystem::readAll(std::string_view path) {
  fs::path h = hostPath(path);
  std::error_code ec;
  if (!fs::is_regular_file(h, ec)) fail(run_error::kFileNotFound);
  std::ifstream in(h, std::ios::binary);
  if (!in) fail(run_error::kPermissionDenied);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::int64_t SimFileSystem::fileSize(std::string_view path) {
  fs::path h = hostPath(path);
  std::error_code ec;
  if (!fs::is_regular_file(h, ec)) fail(run_error::kFileNotFound);
  return static_cast<std::int64_t>(fs::file_size(h, ec));
}

void SimFileSystem::deleteFile(std::string_view path) {
  fs::path h = hostPath(path);
  std::error_code ec;
  if (!fs::is_regular_file(h, ec)) fail(run_error::kFileNotFound);
  if (attributes(path) & 1) fail(run_error::kPermissionDenied);
  if (!fs::remove(h, ec)) fail(run_error::kPermissionDenied);
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
  if (::stat(h.c_str(), &st) != 0) fail(run_error::kFileNotFound);
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
  if (ec) fail(run_error::kFileNotFound);
  const auto write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  fs::permissions(h, (attributes & 1) ? (perms & ~write) : (perms | fs::perms::owner_write), ec);
  attributes_[h.string()] = attributes;
}

void SimFileSystem::makeFile(std::string_view path, std::uint64_t bytes) {
  if (!makeSurePathExists(path)) fail(run_error::kPathNotFound);
  fs::path h = hostPath(path);
  std::error_code ec;
  if (!fs::exists(h, ec)) std::ofstream(h, std::ios::binary).flush();
  fs::resize_file(h, bytes, ec);
  if (ec) fail(run_error::kPermissionDenied);
}

// ---------------------------------------------------------------- system calls

std::optional<std::uint32_t> SimFileSystem::findAttributes(std::string_view path) {
  try {
    struct stat st {};
    if (::stat(hostPath(path).c_str(), &st) != 0) return std::nullopt;
    // A folder is a folder whatever attribute value it was given.
    return attributes(path) | (S_ISDIR(st.st_mode) ? platform::attr::kDirectory : 0u);
  } catch (const RunError&) {
    return std::nullopt;
  }
}

void SimFileSystem::clearAttributes(std::string_view path) {
  try {
    setAttributes(path, platform::attr::kNormal);
  } catch (const RunError&) {
    // Left to the calls after it, as the system's own call is.
  }
}

SimFileSystem::NewFolder SimFileSystem::createFolder(std::string_view path) {
  try {
    const fs::path h = hostPath(path);
    errno = 0;
    if (::mkdir(h.c_str(), 0777) == 0) return NewFolder::Created;
    return errno == EEXIST ? NewFolder::AlreadyExists : NewFolder::Failed;
  } catch (const RunError&) {
    return NewFolder::Failed;
  }
}

platform::CallResult SimFileSystem::createFile(std::string_view path, FileHandle& handle) {
  fs::path h;
  try {
    h = hostPath(path);
  } catch (const RunError& e) {
    return platform::CallResult::failure(e.number());
  }
  // The system refuses to create over a file that is read-only, hidden or a system file
  // with normal attributes (the host would let the simulation's root user write it).
  using namespace platform::attr;
  if (const auto a = findAttributes(path); a && (*a & (kReadOnly | kHidden | kSystem)))
    return platform::CallResult::failure(run_error::kPermissionDenied);
  errno = 0;
  const int fd = calls.open(h.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return failedWithErrno();
  // A file created over another one has only the archive attribute.
  attributes_.erase(h.string());
  handle = fd;
  return platform::CallResult::success();
}

platform::CallResult SimFileSystem::writeFile(FileHandle handle, std::string_view bytes,
                                              std::size_t& written) {
  for (;;) {
    errno = 0;
    const long n = calls.write(static_cast<int>(handle), bytes.data(), bytes.size());
    // Interrupted before anything was written: the call is made again.
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return failedWithErrno();
    written = static_cast<std::size_t>(n);
    return platform::CallResult::success();
  }
}

platform::CallResult SimFileSystem::flushFile(FileHandle handle) {
  errno = 0;
  return calls.fsync(static_cast<int>(handle)) == 0 ? platform::CallResult::success()
                                                    : failedWithErrno();
}

platform::CallResult SimFileSystem::closeFile(FileHandle handle) {
  errno = 0;
  return calls.close(static_cast<int>(handle)) == 0 ? platform::CallResult::success()
                                                    : failedWithErrno();
}

platform::CallResult SimFileSystem::moveReplacing(std::string_view from, std::string_view to) {
  fs::path a, b;
  try {
    a = hostPath(from);
    b = hostPath(to);
  } catch (const RunError& e) {
    return platform::CallResult::failure(e.number());
  }
  errno = 0;
  if (calls.rename(a.c_str(), b.c_str()) != 0) return failedWithErrno();
  // The moved file keeps its own attributes; those of the file it replaced are gone.
  if (auto it = attributes_.find(a.string()); it != attributes_.end()) {
    attributes_[b.string()] = it->second;
    attributes_.erase(it);
  } else {
    attributes_.erase(b.string());
  }
  return platform::CallResult::success();
}

void SimFileSystem::removeFile(std::string_view path) {
  try {
    const fs::path h = hostPath(path);
    calls.unlink(h.c_str());
    attributes_.erase(h.string());
  } catch (const RunError&) {
    // Nothing to remove where there is no such drive.
  }
}

}  // namespace varnolt::sim
