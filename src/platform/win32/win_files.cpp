// Files and folders through the wide-character file functions.
#include "platform/win32/win_platform.hpp"

#include <algorithm>
#include <utility>

namespace varnolt::win32 {

namespace {

// The run-time error numbers the program reports for a failed file operation.
[[noreturn]] void failWith(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
      throw VbError(vb::kErrFileNotFound);
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
      throw VbError(vb::kErrPathNotFound);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      throw VbError(vb::kErrPermissionDenied);
    case ERROR_NOT_READY:
    case ERROR_INVALID_DRIVE:
      throw VbError(71);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      throw VbError(61);
    case ERROR_INVALID_NAME:
      throw VbError(52);
    default:
      throw VbError(vb::kErrPathFileAccess);
  }
}

std::wstring parentOf(const std::wstring& path) {
  auto cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}

bool isFolder(const std::wstring& path) {
  DWORD a = ::GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool WinFileSystem::fileExists(std::string_view path) {
  DWORD a = ::GetFileAttributesW(widen(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool WinFileSystem::folderExists(std::string_view path) {
  return isFolder(widen(path));
}

std::string WinFileSystem::readAll(std::string_view path) {
  const std::wstring w = widen(path);
  if (isFolder(w)) throw VbError(vb::kErrFileNotFound);
  UniqueFile f(::CreateFileW(w.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) failWith(::GetLastError());
  std::string bytes;
  char buf[65536];
  DWORD got = 0;
  while (::ReadFile(f.get(), buf, sizeof buf, &got, nullptr) && got > 0) bytes.append(buf, got);
  return bytes;
}

void WinFileSystem::replaceFile(std::string_view path, std::string_view bytes) {
  const std::wstring target = widen(path);
  const std::wstring folder = parentOf(target);
  if (folder.empty() || !isFolder(folder + L"\\")) throw VbError(vb::kErrPathNotFound);
  DWORD a = ::GetFileAttributesW(target.c_str());
  if (a != INVALID_FILE_ATTRIBUTES) {
    if (a & FILE_ATTRIBUTE_DIRECTORY) throw VbError(vb::kErrPathFileAccess);
    if (a & FILE_ATTRIBUTE_READONLY) throw VbError(vb::kErrPermissionDenied);
  }
  // Written beside the target and moved over it, so the old file stays whole until
  // the new one is complete on disk.
  const std::wstring temp = target + L".tmp~";
  // A temporary file left by an interrupted write is overwritten; attributes it may have
  // been given since would make the system refuse that.
  const DWORD left = ::GetFileAttributesW(temp.c_str());
  if (left != INVALID_FILE_ATTRIBUTES && !(left & FILE_ATTRIBUTE_DIRECTORY) &&
      (left & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
    calls.setFileAttributes(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
  // A failed call without an error number still fails: never reported as a success.
  auto lastError = [&](DWORD otherwise) {
    const DWORD e = calls.getLastError();
    return e == ERROR_SUCCESS ? otherwise : e;
  };
  DWORD error = ERROR_SUCCESS;
  {
    // The handle is closed through the replaceable call, on every way out.
    struct Open {
      FileCalls& calls;
      HANDLE h;
      ~Open() {
        if (h != INVALID_HANDLE_VALUE) calls.closeHandle(h);
      }
      BOOL close() { return calls.closeHandle(std::exchange(h, INVALID_HANDLE_VALUE)); }
    } f{calls, calls.createFile(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (f.h == INVALID_HANDLE_VALUE) failWith(lastError(ERROR_ACCESS_DENIED));
    for (std::size_t done = 0; done < bytes.size() && error == ERROR_SUCCESS;) {
      const DWORD chunk =
          static_cast<DWORD>(std::min<std::size_t>(kWriteChunk, bytes.size() - done));
      DWORD written = 0;
      if (!calls.writeFile(f.h, bytes.data() + done, chunk, &written, nullptr))
        error = lastError(ERROR_DISK_FULL);
      else if (written != chunk)
        error = ERROR_DISK_FULL;  // a short write without an error: no room left
      done += chunk;
    }
    if (error == ERROR_SUCCESS && !calls.flushFileBuffers(f.h)) error = lastError(ERROR_DISK_FULL);
    // Closing can be the first to tell of a failed write (a network folder).
    if (!f.close() && error == ERROR_SUCCESS) error = lastError(ERROR_DISK_FULL);
  }
  if (error == ERROR_SUCCESS &&
      !calls.moveFileEx(temp.c_str(), target.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    error = lastError(ERROR_ACCESS_DENIED);
  if (error != ERROR_SUCCESS) {
    calls.deleteFile(temp.c_str());
    failWith(error);
  }
}

std::int64_t WinFileSystem::fileSize(std::string_view path) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!::GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &d) ||
      (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    throw VbError(vb::kErrFileNotFound);
  return (static_cast<std::int64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

void WinFileSystem::deleteFile(std::string_view path) {
  const std::wstring w = widen(path);
  DWORD a = ::GetFileAttributesW(w.c_str());
  if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY))
    throw VbError(vb::kErrFileNotFound);
  if (a & FILE_ATTRIBUTE_READONLY) throw VbError(vb::kErrPermissionDenied);
  if (!::DeleteFileW(w.c_str())) failWith(::GetLastError());
}

bool WinFileSystem::renameFile(std::string_view from, std::string_view to) {
  // No MOVEFILE_REPLACE_EXISTING: a file of the same name is never overwritten.
  return ::MoveFileExW(widen(from).c_str(), widen(to).c_str(), 0) != 0;
}

bool WinFileSystem::makeSurePathExists(std::string_view path) {
  const std::wstring w = widen(path);
  const auto last = w.find_last_of(L"\\/");
  if (last == std::wstring::npos) return true;
  // Skip the root: "C:\" or "\\server\share\".
  std::size_t pos = 0;
  if (w.size() >= 2 && w[1] == L':') {
    pos = 3;
  } else if (w.rfind(L"\\\\", 0) == 0) {
    pos = w.find(L'\\', 2);
    pos = pos == std::wstring::npos ? w.size() : w.find(L'\\', pos + 1);
    if (pos == std::wstring::npos) return true;
    ++pos;
  }
  while (pos <= last) {
    std::size_t next = w.find_first_of(L"\\/", pos);
    if (next == std::wstring::npos || next > last) next = last;
    const std::wstring prefix = w.substr(0, next);
    if (next > pos && !isFolder(prefix) && !::CreateDirectoryW(prefix.c_str(), nullptr) &&
        ::GetLastError() != ERROR_ALREADY_EXISTS)
      return false;
    pos = next + 1;
  }
  return true;
}

std::optional<std::uint64_t> WinFileSystem::freeSpace(std::string_view path) {
  ULARGE_INTEGER available, total, free;
  if (!::GetDiskFreeSpaceExW(widen(path).c_str(), &available, &total, &free)) return std::nullopt;
  return available.QuadPart;
}

std::uint32_t WinFileSystem::attributes(std::string_view path) {
  DWORD a = ::GetFileAttributesW(widen(path).c_str());
  if (a == INVALID_FILE_ATTRIBUTES) failWith(::GetLastError());
  return a;
}

void WinFileSystem::setAttributes(std::string_view path, std::uint32_t attributes) {
  if (!::SetFileAttributesW(widen(path).c_str(), attributes)) failWith(::GetLastError());
}

}  // namespace varnolt::win32
