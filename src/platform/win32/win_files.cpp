// Files and folders through the wide-character file functions.
#include "platform/win32/win_platform.hpp"

#include <algorithm>
#include <utility>

namespace varnolt::win32 {

namespace {

// The run-time error number the program reports for a failed file operation; 0 when
// the system named no error.
int errorNumber(DWORD error) {
  switch (error) {
    case ERROR_SUCCESS:
      return 0;
    case ERROR_FILE_NOT_FOUND:
      return run_error::kFileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
      return run_error::kPathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return run_error::kPermissionDenied;
    case ERROR_NOT_READY:
    case ERROR_INVALID_DRIVE:
      return run_error::kDiskNotReady;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return run_error::kDiskFull;
    case ERROR_INVALID_NAME:
      return run_error::kBadFileName;
    default:
      return run_error::kPathFileAccess;
  }
}

[[noreturn]] void failWith(DWORD error) {
  const int number = errorNumber(error);
  throw RunError(number != 0 ? number : run_error::kPathFileAccess);
}

HANDLE toHandle(std::intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
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
  if (isFolder(w)) throw RunError(run_error::kFileNotFound);
  UniqueFile f(::CreateFileW(w.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) failWith(::GetLastError());
  std::string bytes;
  char buf[65536];
  DWORD got = 0;
  while (::ReadFile(f.get(), buf, sizeof buf, &got, nullptr) && got > 0) bytes.append(buf, got);
  return bytes;
}

std::int64_t WinFileSystem::fileSize(std::string_view path) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!::GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &d) ||
      (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    throw RunError(run_error::kFileNotFound);
  return (static_cast<std::int64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

void WinFileSystem::deleteFile(std::string_view path) {
  const std::wstring w = widen(path);
  DWORD a = ::GetFileAttributesW(w.c_str());
  if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY))
    throw RunError(run_error::kFileNotFound);
  if (a & FILE_ATTRIBUTE_READONLY) throw RunError(run_error::kPermissionDenied);
  if (!::DeleteFileW(w.c_str())) failWith(::GetLastError());
}

bool WinFileSystem::renameFile(std::string_view from, std::string_view to) {
  // No MOVEFILE_REPLACE_EXISTING: a file of the same name is never overwritten.
  return ::MoveFileExW(widen(from).c_str(), widen(to).c_str(), 0) != 0;
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

// ---------------------------------------------------------------- system calls

std::optional<std::uint32_t> WinFileSystem::findAttributes(std::string_view path) {
  const DWORD a = ::GetFileAttributesW(widen(path).c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return a;
}

void WinFileSystem::clearAttributes(std::string_view path) {
  calls.setFileAttributes(widen(path).c_str(), FILE_ATTRIBUTE_NORMAL);
}

WinFileSystem::NewFolder WinFileSystem::createFolder(std::string_view path) {
  if (::CreateDirectoryW(widen(path).c_str(), nullptr)) return NewFolder::Created;
  return ::GetLastError() == ERROR_ALREADY_EXISTS ? NewFolder::AlreadyExists : NewFolder::Failed;
}

platform::CallResult WinFileSystem::failed() {
  return platform::CallResult::failure(errorNumber(calls.getLastError()));
}

platform::CallResult WinFileSystem::createFile(std::string_view path, FileHandle& handle) {
  const HANDLE h = calls.createFile(widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return failed();
  handle = reinterpret_cast<FileHandle>(h);
  return platform::CallResult::success();
}

platform::CallResult WinFileSystem::writeFile(FileHandle handle, std::string_view bytes,
                                              std::size_t& written) {
  DWORD n = 0;
  if (!calls.writeFile(toHandle(handle), bytes.data(), static_cast<DWORD>(bytes.size()), &n,
                       nullptr))
    return failed();
  written = n;
  return platform::CallResult::success();
}

platform::CallResult WinFileSystem::flushFile(FileHandle handle) {
  return calls.flushFileBuffers(toHandle(handle)) ? platform::CallResult::success() : failed();
}

platform::CallResult WinFileSystem::closeFile(FileHandle handle) {
  return calls.closeHandle(toHandle(handle)) ? platform::CallResult::success() : failed();
}

platform::CallResult WinFileSystem::moveReplacing(std::string_view from, std::string_view to) {
  return calls.moveFileEx(widen(from).c_str(), widen(to).c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
             ? platform::CallResult::success()
             : failed();
}

void WinFileSystem::removeFile(std::string_view path) {
  calls.deleteFile(widen(path).c_str());
}

}  // namespace varnolt::win32
