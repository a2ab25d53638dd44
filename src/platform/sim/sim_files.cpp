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

}  // namespace varnolt::sim
