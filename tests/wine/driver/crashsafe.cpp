// log.ini, default.ini and night.ini stay whole whatever happens while they are written: the
// file port's system calls crashed or failed at every step of the real quit, and Varnolt.exe
// killed inside its writes of a 100,000-line log and of a resumed night's journal.
#include "groups.hpp"
#include "night.hpp"

#include <algorithm>
#include <functional>
#include <memory>
#include <random>

#include "app/form1.hpp"
#include "platform/win32/win_platform.hpp"

namespace winetest {

namespace {

namespace platform = varnolt::platform;

// Not a std::exception, so no handler of the program can swallow it: the program ends here.
struct Crash {};

enum class Fault { Crash, Fail, FailWithoutErrorNumber };

// Numbers each step of a write and crashes or fails step `at`; after a crash all calls go through.
class Injector {
 public:
  Injector(varnolt::win32::FileCalls& calls, int at, Fault fault)
      : calls_(calls), real_(calls), at_(at), fault_(fault) {
    calls.createFile = [this](auto... a) {
      return step("CreateFileW") ? real_.createFile(a...) : INVALID_HANDLE_VALUE;
    };
    wrap(calls.writeFile, "WriteFile");
    wrap(calls.flushFileBuffers, "FlushFileBuffers");
    wrap(calls.moveFileEx, "MoveFileExW");
    // Closed before the step crashes or fails: a handle left open would hold the temporary file.
    calls.closeHandle = [this](HANDLE h) -> BOOL {
      const BOOL closed = real_.closeHandle(h);
      return step("CloseHandle") ? closed : FALSE;
    };
    calls.getLastError = [this]() -> DWORD {
      if (!failed_) return real_.getLastError();
      return fault_ == Fault::Fail ? ERROR_DISK_FULL : ERROR_SUCCESS;
    };
  }
  ~Injector() { calls_ = real_; }
  Injector(const Injector&) = delete;
  Injector& operator=(const Injector&) = delete;
  std::vector<std::string> steps;

 private:
  template <class Call>
  void wrap(Call& call, const char* name) {
    call = [this, real = call, name](auto... a) { return step(name) && real(a...); };
  }
  bool step(const char* name) {
    if (crashed_) return true;
    steps.emplace_back(name);
    failed_ = false;
    if (static_cast<int>(steps.size()) != at_) return true;
    if (fault_ == Fault::Crash) {
      crashed_ = true;
      throw Crash{};
    }
    failed_ = true;
    return false;
  }
  varnolt::win32::FileCalls& calls_;
  varnolt::win32::FileCalls real_;
  int at_;
  Fault fault_;
  bool crashed_ = false, failed_ = false;
};

// The program's core on the Windows ports, files in `folder`, boxes answered Yes or OK here.
struct Program : platform::Dialogs {
  explicit Program(const std::wstring& folder)
      : ports{win.clock,    win.regional, win.codec, win.files,    *this,   win.shell,
              win.registry, win.windows,  win.power, utf8(folder), noWindow},
        form(ports) {
    form.width = 10530;
    form.height = 8730;
    form.Form_Load();
  }
  int messageBox(std::string_view text, std::string_view, unsigned flags) override {
    const std::string_view head = "次のファイルを保存できませんでした。\r\n";
    if (const auto at = text.find(head); at != text.npos) {
      const auto from = at + head.size();
      notSaved.emplace_back(text.substr(from, text.find("\r\n\r\n", from) - from));
    }
    return (flags & 0xF) == platform::mb::kYesNo ? platform::mb::kIdYes : platform::mb::kIdOk;
  }
  std::optional<std::string> openFile(const platform::OpenFileRequest&) override { return {}; }
  std::vector<std::string> openFiles(const platform::OpenFileRequest&) override { return {}; }
  std::string browseFolder(varnolt::Hwnd, std::string_view, std::string_view) override {
    return {};
  }
  void showModal(varnolt::controls::ModalForm&) override {}
  static varnolt::Hwnd noWindow() { return {}; }

  // What the last not-saved message lists (each path and its error), "" when none came.
  std::string saveFailures() const { return notSaved.empty() ? "" : notSaved.back(); }

  std::vector<std::string> notSaved;
  varnolt::win32::WinPlatform win;
  platform::Platform ports;
  varnolt::Form1 form;
};

struct Files {
  std::wstring folder;
  std::wstring log() const { return joinPath(folder, L"log.ini"); }
  std::wstring ini() const { return joinPath(folder, L"default.ini"); }
  bool leftover() const { return exists(log() + L".tmp~") || exists(ini() + L".tmp~"); }
};

// `lines` old log lines ("2026/12/01   21:00:00   録画k"), CR LF each, in CP932.
std::string oldLogBytes(int lines) {
  std::wstring text;
  for (int k = 0; k < lines; ++k)
    text += L"2026/12/01   21:00:00   録画" + std::to_wstring(k) + L" ダウンロード完了\r\n";
  return cp932(text);
}

// What a quit writes after one start on `old`: the start line, an empty line, the old lines.
bool isNewLog(const std::string& bytes, const std::string& old) {
  const std::string line = cp932(L"   Varnolt起動"), tail = line + "\r\n\r\n" + old;
  const std::size_t stamp = bytes.size() - tail.size();  // where the start line's time begins
  return bytes.size() > tail.size() && bytes.compare(stamp, std::string::npos, tail) == 0 &&
         bytes.find("\r\n") == stamp + line.size();
}

void portFaultTests(const Env& env) {
  say("# log.ini and default.ini through the quit, each write step crashed or failed");
  Files f{installVarnolt(env, L"crashsafe")};
  const std::string oldLog = oldLogBytes(5000);
  const std::string oldIni = cp932(designSettings(L"C:\\ロクラク\\RokuCtrl.exe"));
  auto prepare = [&] {
    for (const std::wstring& file : {f.log(), f.ini()}) ::DeleteFileW((file + L".tmp~").c_str());
    writeFile(f.log(), oldLog);
    writeFile(f.ini(), oldIni);
    auto p = std::make_unique<Program>(f.folder);
    p->form.Text4.setText("E:\\新しい録画");
    p->form.Check1.setValue(1);
    return p;
  };

  std::vector<std::string> steps;
  std::string newIni;
  {
    auto p = prepare();
    Injector count(p->win.files.calls, 0, Fault::Fail);
    const bool closed = p->form.Form_QueryUnload();
    steps = count.steps;
    newIni = readFile(f.ini());
    check(closed && p->saveFailures().empty() && isNewLog(readFile(f.log()), oldLog) &&
              newIni.find(cp932(L"E:\\新しい録画")) != std::string::npos && !f.leftover(),
          "the clean quit writes both new files and leaves no temporary file", p->saveFailures());
  }
  const auto logSteps =
      static_cast<int>(std::find(steps.begin(), steps.end(), "MoveFileExW") - steps.begin() + 1);
  const auto chunks = std::count(steps.begin(), steps.begin() + logSteps, "WriteFile");
  check(steps.size() >= 13 && chunks >= 4 && steps.back() == "MoveFileExW",
        "writing takes CreateFileW, WriteFile per 64 KiB, FlushFileBuffers, CloseHandle, "
        "MoveFileExW for each file",
        std::to_string(steps.size()) + " steps, " + std::to_string(chunks) + " chunks of log.ini");

  // Each case's step, and what went wrong, in the check it fails.
  const int n = static_cast<int>(steps.size());
  std::string torn, untold, wrong, blocked;
  int oldSeen = 0, newSeen = 0;
  for (Fault fault : {Fault::Crash, Fault::Fail, Fault::FailWithoutErrorNumber}) {
    for (int k = 1; k <= n; ++k) {
      auto p = prepare();
      bool crashed = false;
      try {
        Injector inject(p->win.files.calls, k, fault);
        p->form.Form_QueryUnload();
      } catch (const Crash&) {
        crashed = true;
      }
      // The new log's first line holds the time of its run: it is recognised, not compared.
      const std::string log = readFile(f.log()), ini = readFile(f.ini());
      const bool logOld = log == oldLog, logNew = isNewLog(log, oldLog);
      const bool iniOld = ini == oldIni, iniNew = ini == newIni;
      const std::string at = std::to_string(k) + " " + steps[k - 1] + ": ";
      if (!(logOld || logNew) || !(iniOld || iniNew)) torn += at + "torn; ";
      oldSeen += logOld + iniOld;
      newSeen += logNew + iniNew;
      if (fault == Fault::Crash) {
        if (!crashed) wrong += at + "no crash; ";
        // The next run writes both files whole, a temporary file left by the crash or not.
        p.reset();
        Program next(f.folder);
        const std::string before = readFile(f.log());
        next.form.Form_QueryUnload();
        if (!next.saveFailures().empty() || f.leftover() || !isNewLog(readFile(f.log()), before))
          blocked += at + "told \"" + shown(next.saveFailures()) + "\"" +
                     (f.leftover() ? ", temporary file left; " : "; ");
        continue;
      }
      const bool logFailed = k <= logSteps;
      const std::string said = p->saveFailures();
      if (said.rfind(utf8(logFailed ? f.log() : f.ini()) + "\r\n", 0) != 0 ||
          said.find(logFailed ? "default.ini" : "log.ini") != std::string::npos ||
          p->notSaved.size() != 1 || crashed)
        untold += at + "told \"" + shown(said) + "\"; ";
      if (logOld != logFailed || iniOld == logFailed || f.leftover())
        wrong += at + "log " + (logOld ? "old" : "not old") + ", default.ini " +
                 (iniOld ? "old" : "not old") + (f.leftover() ? ", temporary file left; " : "; ");
    }
  }
  check(torn.empty(), "no step crashed or failed tears a file: " + std::to_string(3 * n) + " cases",
        torn);
  check(untold.empty(),
        "every failed step is reported, naming that file alone (with or without an error number)",
        untold);
  check(wrong.empty(),
        "a failed file stays old, the other is written; no temporary file stays after a failure",
        wrong);
  check(blocked.empty(),
        "after every crash the next run's quit writes both files and leaves no temp", blocked);
  check(oldSeen > 0 && newSeen > 0, "crashes before the move keep the old file, after it the new");

  // Wine run as root overwrites read-only files, unlike Windows: this checks the leftover goes.
  auto p = prepare();
  writeFile(f.log() + L".tmp~", "left over");
  ::SetFileAttributesW((f.log() + L".tmp~").c_str(),
                       FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  p->form.Form_QueryUnload();
  check(p->saveFailures().empty() && isNewLog(readFile(f.log()), oldLog) && !f.leftover(),
        "a read-only hidden temporary file left over does not block the write", p->saveFailures());
}

// What a kill left of the file written.
enum class Left { Old, New, Gone, Torn };

// Kills Varnolt.exe, made to write `file` by `start`, `runs` times: every fifth run once `file`
// changes, every fifth at its temporary file's appearance, the rest at a random share of `oldSize`.
void killDuringWrites(int runs, const std::wstring& file, std::int64_t oldSize,
                      const std::function<std::unique_ptr<Varnolt>()>& start,
                      const std::function<Left()>& judge) {
  const std::string name = utf8(file.substr(file.find_last_of(L'\\') + 1));
  const std::wstring temporary = file + L".tmp~";
  std::mt19937 random(20261208);
  std::uniform_real_distribution<double> share(0.0, 1.0);
  int done = 0, torn = 0, midWrite = 0, exited = 0;
  std::string tornAt;
  std::map<Left, int> killed;
  for (int i = 0; i < runs; ++i) {
    const bool afterReplace = i % 5 == 4;
    const auto grown =
        i % 5 == 0 ? 0 : static_cast<std::int64_t>(share(random) * static_cast<double>(oldSize));
    // A temporary file left by the last kill would pass for one of this run.
    ::DeleteFileW(temporary.c_str());
    auto v = start();
    if (!v) continue;
    Handle process(::OpenProcess(
        PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, v->pid()));
    const auto at = std::chrono::steady_clock::now();
    while (::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT && msSince(at) < 60000) {
      if (fileSize(file) != oldSize) break;
      if (!afterReplace && fileSize(temporary) >= grown) break;
    }
    ::TerminateProcess(process.get(), 9);
    ::WaitForSingleObject(process.get(), 10000);
    DWORD code = 0;
    ::GetExitCodeProcess(process.get(), &code);
    ++done;
    midWrite += exists(temporary);
    const Left left = judge();
    // Only a kill counts for a side: a process that ended by itself was not interrupted.
    if (code == 9)
      ++killed[left];
    else
      ++exited;
    torn += left == Left::Torn;
    if (left == Left::Torn)
      tornAt +=
          (afterReplace ? std::string("aimed after the replace")
                        : "aimed at " + std::to_string(grown) + " bytes of the temporary file") +
          ": " + std::to_string(fileSize(file)) + " bytes; ";
  }
  const int oldFiles = killed[Left::Old], newFiles = killed[Left::New], gone = killed[Left::Gone];
  say("# kill test of " + name + ": " + std::to_string(done) + " runs, " + std::to_string(torn) +
      " torn, " + std::to_string(oldFiles) + " killed before the replace (old), " +
      std::to_string(newFiles) + " after it (new), " + std::to_string(gone) +
      " after its deletion, " + std::to_string(midWrite) +
      " killed inside the write (temporary file left), " + std::to_string(exited) +
      " ended before the kill");
  check(done == runs && torn == 0,
        "every kill leaves " + name + " whole, old or new: " + std::to_string(done) + " runs",
        tornAt);
  // A temporary file left means a kill inside a write; a deleted journal, one after the night.
  if (runs >= 5)
    check((oldFiles > 0 || midWrite > 0) && newFiles + gone > 0,
          "the kills fell before (or inside) and after a replace of " + name,
          std::to_string(oldFiles) + " old, " + std::to_string(midWrite) + " inside, " +
              std::to_string(newFiles) + " new, " + std::to_string(gone) + " deleted");
}

// Under Wine the log box takes half a minute to lay out 100,000 lines.
constexpr int kBigLogStartMs = 180000;

void logKillTests(const Env& env, int runs) {
  say("# Varnolt.exe killed while it writes a 100,000-line log.ini, " + std::to_string(runs) +
      " runs");
  Files f{installVarnolt(env, L"killtest")};
  const std::string oldLog = oldLogBytes(100000), oldIni = cp932(designSettings());
  // Varnolt started on the old files and quitting: its answer to the question given.
  auto start = [&]() -> std::unique_ptr<Varnolt> {
    if (!writeFile(f.log(), oldLog) || !writeFile(f.ini(), oldIni)) return nullptr;
    auto v =
        std::make_unique<Varnolt>(joinPath(f.folder, L"Varnolt.exe"), f.folder, kBigLogStartMs);
    if (!v->main) return nullptr;
    v->quit(10000);
    return v;
  };

  // Two unkilled quits, timed from the answer to the process end, watched for the temporary log.
  std::vector<double> quitMs;
  double writeFrom = -1, writeTo = -1;
  std::string wrong;
  for (int i = 0; i < 2; ++i) {
    auto v = start();
    if (!v) {
      wrong += "no window; ";
      continue;
    }
    const auto at = std::chrono::steady_clock::now();
    while (!v->waitExit(0) && msSince(at) < 60000) {
      if (!exists(f.log() + L".tmp~")) continue;
      writeTo = std::max(writeTo, msSince(at));
      if (writeFrom < 0) writeFrom = writeTo;
    }
    quitMs.push_back(msSince(at));
    say("#   start with the 100,000-line log: " + std::to_string(static_cast<int>(v->startMs)) +
        " ms");
    const std::string log = readFile(f.log()), ini = readFile(f.ini());
    if (!isNewLog(log, oldLog) || ini != oldIni || f.leftover())
      wrong += "log.ini " + std::to_string(log.size()) + " bytes from " + hex(log, 80) +
               ", default.ini " + hex(ini, 80) + (f.leftover() ? ", temporary file left; " : "; ");
  }
  check(wrong.empty(), "an unkilled quit writes the whole 100,001-line log.ini and default.ini",
        wrong);
  if (quitMs.empty()) return;
  say("# answer to process end, " + spread(quitMs) + "; temporary file seen " +
      std::to_string(static_cast<int>(writeFrom)) + ".." +
      std::to_string(static_cast<int>(writeTo)) + " ms");

  killDuringWrites(runs, f.log(), static_cast<std::int64_t>(oldLog.size()), start, [&] {
    if (readFile(f.ini()) != oldIni) return Left::Torn;
    const std::string log = readFile(f.log());
    return log == oldLog ? Left::Old : isNewLog(log, oldLog) ? Left::New : Left::Torn;
  });

  // Whatever the last kill left, the next quit writes the log.
  auto v = start();
  check(v && v->waitExit(60000) && isNewLog(readFile(f.log()), oldLog) && !f.leftover(),
        "after the kills an unkilled quit writes log.ini whole and leaves no temporary file");
}

// Resuming a night of 300 failed conversions writes night.ini again for every row it puts back.
void nightKillTests(const Env& env, int runs) {
  constexpr int kRows = 300;
  const std::wstring folder = prepareNight(env, L"nightkill", 5, 1000, true, false);
  const std::wstring journal = joinPath(folder, L"night.ini");
  // The cut night's journal (last row current); Varnolt's, each row put back first unworked.
  std::string old;
  std::vector<std::string> texts;
  std::wstring done = L"[Varnolt night]\r\nCheck1=0\r\nCheck2=0\r\nEndOfWork=5\r\nTally=0|0\r\n";
  auto row = [&](int k, const wchar_t* status, const wchar_t* current) {
    const std::wstring source = joinPath(folder, L"録画");
    return L"Conversion=1|" + std::wstring(status) + L"|" + source + L"\\夜の番組 第" +
           std::to_wstring(1000 + k) + L"話.m2t|" + source + L"|" + current + L"\r\n";
  };
  texts.push_back(cp932(done));
  for (int k = 1; k <= kRows; ++k) {
    texts.push_back(cp932(done + row(k, L"未作業", L"")));
    old = cp932(done + row(k, L"変換に失敗しました", L"current"));
    done += row(k, L"変換に失敗しました", L"");
  }
  texts.push_back(cp932(done));
  say("# Varnolt.exe killed while it writes night.ini for a resumed night of " +
      std::to_string(kRows) + " conversions (" + std::to_string(old.size()) + " bytes), " +
      std::to_string(runs) + " runs");
  // Varnolt started on the cut night's journal, resuming it: the question answered Yes.
  auto start = [&]() -> std::unique_ptr<Varnolt> {
    if (!writeFile(journal, old)) return nullptr;
    auto v = std::make_unique<Varnolt>(joinPath(folder, L"Varnolt.exe"), folder, 0);
    HWND box = v->messageBox(60000);
    if (!box || boxMessage(box).find(L"続きを行いますか？") == std::wstring::npos) return nullptr;
    answer(box, IDYES);
    return v;
  };

  // Only the temporary file is watched: a reader of night.ini would hold off its replace.
  {
    auto v = start();
    const bool asked = v != nullptr;
    const auto at = std::chrono::steady_clock::now();
    std::int64_t largest = -1;
    HWND end = nullptr;
    while (asked && !end && msSince(at) < 120000) {
      largest = std::max(largest, fileSize(journal + L".tmp~"));
      end = findTop(v->pid(), L"#32770", L"");
      if (end && boxMessage(end) != kAllDone) end = nullptr;
    }
    say("# resumed night, answer to its end: " + std::to_string(static_cast<int>(msSince(at))) +
        " ms; largest temporary night.ini seen " + std::to_string(largest) + " bytes");
    check(asked && end && !exists(journal), "an unkilled resumed night ends and deletes night.ini",
          std::string(asked ? "" : "no question, ") + (end ? "" : "no end, ") +
              (exists(journal) ? "night.ini left" : ""));
  }
  killDuringWrites(runs, journal, static_cast<std::int64_t>(old.size()), start, [&] {
    const std::string now = readFile(journal);
    if (now.empty() && !exists(journal)) return Left::Gone;
    if (now == old) return Left::Old;
    return std::find(texts.begin(), texts.end(), now) != texts.end() ? Left::New : Left::Torn;
  });
  closeStandIns();
}

}  // namespace

void crashSafeFileTests(const Env& env) {
  portFaultTests(env);
  wchar_t runsSet[32] = {};
  const int runs = ::GetEnvironmentVariableW(L"VARNOLT_KILL_RUNS", runsSet, 32)
                       ? std::max(0, _wtoi(runsSet))
                       : 10;
  logKillTests(env, runs);
  nightKillTests(env, runs);
}

}  // namespace winetest
