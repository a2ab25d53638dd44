// The file port's algorithms, the same on every system: replacing a file through a
// temporary one and creating the folders of a path, over the port's system calls.
#include <algorithm>

#include "platform/platform.hpp"

namespace varnolt::platform {

bool FileSystem::existingFolder(std::string_view path) {
  const auto a = findAttributes(path);
  return a && (*a & attr::kDirectory);
}

void FileSystem::replaceFile(std::string_view path, std::string_view bytes) {
  const std::string target(path);
  const auto cut = target.find_last_of("\\/");
  if (cut == std::string::npos || cut == 0 || !existingFolder(target.substr(0, cut) + "\\"))
    throw RunError(run_error::kPathNotFound);
  if (const auto a = findAttributes(target)) {
    if (*a & attr::kDirectory) throw RunError(run_error::kPathFileAccess);
    if (*a & attr::kReadOnly) throw RunError(run_error::kPermissionDenied);
  }
  // Written beside the target and moved over it, so the old file stays whole until the
  // new one is complete on disk.
  const std::string temp = target + ".tmp~";
  // A temporary file left by an interrupted write is overwritten; attributes it may have
  // been given since would make the system refuse that.
  if (const auto left = findAttributes(temp);
      left && !(*left & attr::kDirectory) &&
      (*left & (attr::kReadOnly | attr::kHidden | attr::kSystem)))
    clearAttributes(temp);
  int error = 0;
  {
    FileHandle handle{};
    if (const CallResult created = createFile(temp, handle); !created.ok)
      throw RunError(created.errorOr(run_error::kPermissionDenied));
    // The file is closed through the port on every way out, a crash inside a call too.
    struct Open {
      FileSystem& files;
      FileHandle handle;
      bool open = true;
      ~Open() {
        if (open) (void)files.closeFile(handle);
      }
      CallResult close() {
        open = false;
        return files.closeFile(handle);
      }
    } file{*this, handle};
    for (std::size_t done = 0; done < bytes.size() && error == 0;) {
      const std::size_t chunk = std::min(kWriteChunk, bytes.size() - done);
      std::size_t written = 0;
      const CallResult wrote = writeFile(handle, bytes.substr(done, chunk), written);
      if (!wrote.ok)
        error = wrote.errorOr(run_error::kDiskFull);
      else if (written == 0)
        error = run_error::kDiskFull;  // nothing taken and no error: no room left
      // A short write goes on with the rest.
      done += std::min(written, chunk);
    }
    if (error == 0)
      if (const CallResult flushed = flushFile(handle); !flushed.ok)
        error = flushed.errorOr(run_error::kDiskFull);
    // Closing can be the first to tell of a failed write (a network folder).
    if (const CallResult closed = file.close(); !closed.ok && error == 0)
      error = closed.errorOr(run_error::kDiskFull);
  }
  if (error == 0)
    if (const CallResult moved = moveReplacing(temp, target); !moved.ok)
      error = moved.errorOr(run_error::kPermissionDenied);
  if (error != 0) {
    removeFile(temp);
    throw RunError(error);
  }
}

bool FileSystem::makeSurePathExists(std::string_view path) {
  const auto last = path.find_last_of("\\/");
  if (last == std::string_view::npos) return true;
  // Skip the root: "C:\" or "\\server\share\".
  std::size_t pos = 0;
  if (path.size() >= 2 && path[1] == ':') {
    pos = 3;
  } else if (path.substr(0, 2) == "\\\\") {
    pos = path.find('\\', 2);
    pos = pos == std::string_view::npos ? path.size() : path.find('\\', pos + 1);
    if (pos == std::string_view::npos) return true;
    ++pos;
  }
  while (pos <= last) {
    std::size_t next = path.find_first_of("\\/", pos);
    if (next == std::string_view::npos || next > last) next = last;
    const std::string_view prefix = path.substr(0, next);
    if (next > pos && !existingFolder(prefix) && createFolder(prefix) == NewFolder::Failed)
      return false;
    pos = next + 1;
  }
  return true;
}

}  // namespace varnolt::platform
