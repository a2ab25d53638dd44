// dll-marker.dll: a library planted beside a program under the name of a system library
// (tests/wine/driver/dllsearch.cpp). Loaded into a process, it appends that process's
// program path and a line end (UTF-8) to a file named after its own path with ".loaded"
// added, and does nothing else: the file is the proof that it was loaded, and by whom.
#include "../driver/support.hpp"

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t own[MAX_PATH] = {}, program[MAX_PATH] = {};
  const DWORD n = ::GetModuleFileNameW(self, own, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return TRUE;
  ::GetModuleFileNameW(nullptr, program, MAX_PATH);
  const std::wstring proof = std::wstring(own) + L".loaded";
  // Several processes may load it: each appends its own line.
  winetest::Handle file(::CreateFileW(proof.c_str(), FILE_APPEND_DATA,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return TRUE;
  char line[3 * MAX_PATH + 2] = {};
  int len = ::WideCharToMultiByte(CP_UTF8, 0, program, -1, line, 3 * MAX_PATH, nullptr, nullptr);
  len = len > 0 ? len - 1 : 0;
  line[len++] = '\r';
  line[len++] = '\n';
  DWORD written = 0;
  ::WriteFile(file.get(), line, static_cast<DWORD>(len), &written, nullptr);
  return TRUE;
}
