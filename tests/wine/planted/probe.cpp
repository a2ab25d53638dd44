// dll-probe.exe [restricted] NAME...: loads each library NAME by its bare name, as a program
// loads a system library at run time; with "restricted", after limiting the library search
// of the process to the system folder. The Wine test of the library search
// (tests/wine/driver/dllsearch.cpp) starts it beside planted libraries to show that the
// search order decides which one is loaded, and that the restriction keeps the planted
// ones out. Exit status: the number of names no library was found for.
#include <windows.h>

#include <string_view>

int wmain(int argc, wchar_t** argv) {
  int first = 1;
  if (argc > 1 && std::wstring_view(argv[1]) == L"restricted") {
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    first = 2;
  }
  int missing = 0;
  for (int i = first; i < argc; ++i) {
    // Kept loaded until the process ends, as a program keeps what it uses.
    if (!::LoadLibraryW(argv[i])) ++missing;
  }
  return missing;
}
