// The recording list against the stand-in RokuCtrl.exe. First the controller's list box
// itself: the message sequences Varnolt sends it (LB_SETCURSEL and arrow keys at both
// ends, out of range, on one entry and on none), with the selection, the caret, the
// answers and whether the controller took the selection; the simulated list box is held
// to the same table. Then Varnolt's list read with Japanese titles and sizes, row by row
// against the stand-in's configuration.
// support.hpp brings windows.h, which the other system headers build on.
#include "support.hpp"

#include <commctrl.h>

#include <cstdint>
#include <cstdio>

namespace vt {

namespace {

const std::wstring kTitle = L"ロクラクⅡ コントローラ";
const std::wstring kStandInClass = L"RokuCtrlWindow";
// Written into the details text before each step: still there afterwards means the
// controller was not told of a selection change.
const std::wstring kUntouched = L"-";

// A stand-in started with its own configuration; closed (or ended) on destruction.
class StandIn {
 public:
  StandIn(const std::wstring& exe, const std::wstring& folder, const std::string& config) {
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring ini = joinPath(folder, L"probe.ini");
    const std::wstring report = joinPath(folder, L"probe.report");
    ::DeleteFileW(report.c_str());
    writeFile(ini, "startup 0\r\n" + config);
    std::wstring command =
        L"\"" + exe + L"\" --config \"" + ini + L"\" --report \"" + report + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &si, &pi))
      return;
    process_ = Handle(pi.hProcess);
    Handle thread(pi.hThread);
    waitFor(
        [&] {
          main = findTop(pi.dwProcessId, kStandInClass, kTitle);
          return main && exists(report);
        },
        20000);
    if (!main) return;
    list = findChild(main, L"ListBox", L"");
    for (HWND h : children(main))
      if (classOf(h) == L"Static" && textOf(h).find(L"FileSize :") != std::wstring::npos)
        details = h;
    if (!details)
      for (HWND h : children(main))
        if (classOf(h) == L"Static" && textOf(h) != L"録画リスト") details = h;
  }
  ~StandIn() {
    if (!process_) return;
    if (main) ::PostMessageW(main, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(process_.get(), 3000) != WAIT_OBJECT_0)
      ::TerminateProcess(process_.get(), 9);
    ::WaitForSingleObject(process_.get(), 3000);
  }
  StandIn(const StandIn&) = delete;
  StandIn& operator=(const StandIn&) = delete;

  HWND main = nullptr, list = nullptr, details = nullptr;

 private:
  Handle process_;
};

struct Step {
  const char* what;
  UINT msg;  // LB_SETCURSEL or WM_KEYDOWN
  int arg;   // index or virtual key
  int answer;
  int sel, caret;
  const wchar_t* shown;  // title the controller then shows; kUntouched: not told
};

struct Sequence {
  const char* name;
  int entries;
  std::vector<Step> steps;
};

// Keep in step with the table of the simulated list box's test (tests/unit/sim_test.cpp).
std::vector<Sequence> sequences() {
  const UINT S = LB_SETCURSEL, K = WM_KEYDOWN;
  const int up = VK_UP, down = VK_DOWN;
  return {
      {"one entry",
       1,
       {{"setcursel 1", S, 1, LB_ERR, 0, 0, L"-"},
        {"up", K, up, 0, 0, 0, L"番組1"},
        {"down", K, down, 0, 0, 0, L"番組1"}}},
      {"three entries",
       3,
       {{"setcursel 1", S, 1, 1, 1, 1, L"-"},
        {"up", K, up, 0, 0, 0, L"番組1"},
        {"up at the top", K, up, 0, 0, 0, L"番組1"},
        {"down", K, down, 0, 1, 1, L"番組2"},
        {"down", K, down, 0, 2, 2, L"番組3"},
        {"down at the end", K, down, 0, 2, 2, L"番組3"},
        {"setcursel 3 (out of range)", S, 3, LB_ERR, 2, 2, L"-"},
        {"setcursel -1", S, -1, LB_ERR, -1, 2, L"-"},
        {"up with no selection", K, up, 0, 2, 2, L"番組3"},
        {"setcursel -1", S, -1, LB_ERR, -1, 2, L"-"},
        {"down with no selection", K, down, 0, 2, 2, L"番組3"},
        {"setcursel 0", S, 0, 0, 0, 0, L"-"},
        {"down", K, down, 0, 1, 1, L"番組2"}}},
      {"no entries",
       0,
       {{"setcursel 1", S, 1, LB_ERR, -1, 0, L"-"},
        {"up", K, up, 0, -1, 0, L"-"},
        {"down", K, down, 0, -1, 0, L"-"}}},
  };
}

// "タイトル : X" of the details text, "" when there is none, kUntouched when unchanged.
std::wstring shownTitle(const std::wstring& details) {
  if (details == kUntouched) return kUntouched;
  const std::wstring key = L"タイトル : ";
  auto at = details.find(key);
  if (at == std::wstring::npos) return L"";
  auto end = details.find(L"\r\n", at);
  return details.substr(at + key.size(), end == std::wstring::npos ? end : end - at - key.size());
}

void listBoxSequences(const std::wstring& rokuCtrlExe, const std::wstring& work) {
  say("# the controller's list box: selection, caret and answers");
  for (const Sequence& seq : sequences()) {
    std::string config;
    for (int k = 1; k <= seq.entries; ++k)
      config += "recording " + std::to_string(k) + "||番組" + std::to_string(k) +
                "|2026/12/01 21:00|00:30|HD " + std::to_string(k) + " MB\r\n";
    StandIn s(rokuCtrlExe, joinPath(work, L"listbox"), config);
    check(s.list && s.details, std::string("the stand-in is up for ") + seq.name);
    if (!s.list || !s.details) continue;
    const int sel0 = static_cast<int>(sendTimed(s.list, LB_GETCURSEL));
    const int caret0 = static_cast<int>(sendTimed(s.list, LB_GETCARETINDEX));
    check(sel0 == (seq.entries ? 0 : -1) && caret0 == 0,
          std::string(seq.name) + ": the controller starts on its first entry",
          "sel " + std::to_string(sel0) + ", caret " + std::to_string(caret0));
    for (const Step& st : seq.steps) {
      ::SendMessageW(s.details, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kUntouched.c_str()));
      const int answer = static_cast<int>(
          st.msg == LB_SETCURSEL ? sendTimed(s.list, LB_SETCURSEL, static_cast<WPARAM>(st.arg))
                                 : sendTimed(s.list, WM_KEYDOWN, static_cast<WPARAM>(st.arg)));
      const int sel = static_cast<int>(sendTimed(s.list, LB_GETCURSEL));
      const int caret = static_cast<int>(sendTimed(s.list, LB_GETCARETINDEX));
      const std::wstring title = shownTitle(textOf(s.details));
      char got[160];
      std::snprintf(got, sizeof got, "answer %d, sel %d, caret %d, shows \"%s\"", answer, sel,
                    caret, utf8(title).c_str());
      char want[160];
      std::snprintf(want, sizeof want, "answer %d, sel %d, caret %d, shows \"%s\"", st.answer,
                    st.sel, st.caret, utf8(st.shown).c_str());
      check(std::string(got) == want, std::string(seq.name) + ": " + st.what + " -> " + want, got);
    }
  }
}

}  // namespace

void recordingListTests(const std::wstring& varnoltExe, const std::wstring& rokuCtrlExe,
                        const std::wstring& work) {
  (void)varnoltExe;
  ::CreateDirectoryW(work.c_str(), nullptr);
  listBoxSequences(rokuCtrlExe, work);
}

}  // namespace vt
