// log.ini, default.ini and night.ini stay whole whatever happens while they are written:
// the Windows file port's system calls interrupted at every step of the real quit, and
// Varnolt.exe killed at random points of its write of a 100,000-line log, of the journal of a
// resumed night, and just after the replace.
#include "groups.hpp"
#include "night.hpp"

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <random>

#include "app/form1.hpp"
#include "platform/win32/win_platform.hpp"

namespace winetest {

namespace {

namespace platform = varnolt::platform;

// Message boxes answered from a list (unanswered: the first button), each one kept.
class ScriptedDialogs : public platform::Dialogs {
 public:
  std::deque<int> answers;
  std::vector<std::string> texts;
  int messageBox(std::string_view text, std::string_view, unsigned flags) override {
    texts.emplace_back(text);
    if (answers.empty()) return (flags & 0xF) == platform::mb::kYesNo ? platform::mb::kIdYes : 1;
    const int a = answers.front();
    answers.pop_front();
    return a;
  }
  std::optional<std::string> openFile(const platform::OpenFileRequest&) override { return {}; }
  std::vector<std::string> openFiles(const platform::OpenFileRequest&) override { return {}; }
  std::string browseFolder(varnolt::Hwnd, std::string_view, std::string_view) override {
    return {};
  }
  void showModal(varnolt::controls::ModalForm&) override {}
};

// Not a std::exception, so no handler of the program can swallow it: the program ends here.
struct Crash {};

enum class Fault { Crash, Fail, FailWithoutErrorNumber };

// Wraps the real calls, numbering each step of a write (CreateFileW, every WriteFile,
// FlushFileBuffers, CloseHandle, MoveFileExW); step `at` crashes or fails. After a crash
// every call goes through unnumbered, as the system closes what a dead process left open.
class Injector {
 public:
  Injector(varnolt::win32::FileCalls& calls, int at, Fault fault)
      : calls_(calls), real_(calls), at_(at), fault_(fault) {
    calls.createFile = [this](auto... a) {
      return step("CreateFileW") ? real_.createFile(a...) : INVALID_HANDLE_VALUE;
    };
    calls.writeFile = [this](auto... a) { return step("WriteFile") && real_.writeFile(a...); };
    calls.flushFileBuffers = [this](HANDLE h) {
      return step("FlushFileBuffers") && real_.flushFileBuffers(h);
    };
    calls.closeHandle = [this](HANDLE h) -> BOOL {
      // The handle is gone either way, and a dead process's handles are closed by the
      // system: one left open here would hold the temporary file, as no crash does.
      bool go = false;
      try {
        go = step("CloseHandle");
      } catch (const Crash&) {
        real_.closeHandle(h);
        throw;
      }
      const BOOL r = real_.closeHandle(h);
      return go ? r : FALSE;
    };
    calls.moveFileEx = [this](auto... a) { return step("MoveFileExW") && real_.moveFileEx(a...); };
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

// The program's core on the Windows ports, its files in `folder`, its boxes scripted.
class Program {
 public:
  explicit Program(const std::wstring& folder)
      : ports_{win.clock,
               win.regional,
               win.codec,
               win.files,
               dialogs,
               win.shell,
               win.registry,
               win.windows,
               win.power,
               utf8(folder),
               [] { return varnolt::Hwnd{}; }},
        form(ports_) {
    form.width = 10530;
    form.height = 8730;
    form.Form_Load();
  }
  // The real quit: the question answered Yes.
  bool quit() {
    dialogs.answers.push_back(platform::mb::kIdYes);
    return form.Form_QueryUnload();
  }
  // What the quit's message lists as not saved (each path and its error), "" when no
  // such message came.
  std::string saveFailures() const {
    const std::string head = "次のファイルを保存できませんでした。\r\n";
    std::string found;
    for (const auto& t : dialogs.texts) {
      auto at = t.find(head);
      if (at == std::string::npos) continue;
      at += head.size();
      found = t.substr(at, t.find("\r\n\r\n", at) - at);
    }
    return found;
  }
  int failureBoxes() const {
    return static_cast<int>(std::count_if(dialogs.texts.begin(), dialogs.texts.end(), [](auto& t) {
      return t.find("次のファイルを保存できませんでした。") != std::string::npos;
    }));
  }

  varnolt::win32::WinPlatform win;
  ScriptedDialogs dialogs;

 private:
  platform::Platform ports_;

 public:
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
  text.reserve(static_cast<std::size_t>(lines) * 40);
  for (int k = 0; k < lines; ++k)
    text += L"2026/12/01   21:00:00   録画" + std::to_wstring(k) + L" ダウンロード完了\r\n";
  return cp932(text);
}

// What the quit writes after one start on `old`: the start line, the empty line that
// joins it to the read log, then the old lines.
bool isNewLog(const std::string& bytes, const std::string& old) {
  if (bytes.size() < old.size() + 4) return false;
  const std::size_t head = bytes.size() - old.size() - 2;
  if (bytes.compare(head, std::string::npos, "\r\n" + old) != 0) return false;
  const std::string first = bytes.substr(0, head);
  const std::string started = cp932(L"   Varnolt起動\r\n");
  return first.find("\r\n") == first.size() - 2 && first.size() > started.size() &&
         first.compare(first.size() - started.size(), std::string::npos, started) == 0;
}

void portFaultTests(const Env& env) {
  say("# log.ini and default.ini through the quit, each write step crashed or failed");
  Files f{joinPath(env.work, L"crashsafe")};
  ::CreateDirectoryW(env.work.c_str(), nullptr);
  ::CreateDirectoryW(f.folder.c_str(), nullptr);
  const std::string oldLog = oldLogBytes(5000);
  const std::string oldIni = cp932(designSettings(L"C:\\ロクラク\\RokuCtrl.exe"));
  auto prepare = [&] {
    ::DeleteFileW((f.log() + L".tmp~").c_str());
    ::DeleteFileW((f.ini() + L".tmp~").c_str());
    writeFile(f.log(), oldLog);
    writeFile(f.ini(), oldIni);
    auto p = std::make_unique<Program>(f.folder);
    p->form.Text4.setText("E:\\新しい録画");
    p->form.Check1.setValue(1);
    return p;
  };

  std::vector<std::string> steps;
  std::string newLog, newIni;
  {
    auto p = prepare();
    Injector count(p->win.files.calls, 0, Fault::Fail);
    const bool closed = p->quit();
    steps = count.steps;
    newLog = readFile(f.log());
    newIni = readFile(f.ini());
    check(closed && p->saveFailures().empty() && isNewLog(newLog, oldLog) &&
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

  int cases = 0, torn = 0, told = 0, wrongOutcome = 0, blocked = 0, oldSeen = 0, newSeen = 0;
  for (Fault fault : {Fault::Crash, Fault::Fail, Fault::FailWithoutErrorNumber}) {
    for (int k = 1; k <= static_cast<int>(steps.size()); ++k) {
      ++cases;
      auto p = prepare();
      bool crashed = false;
      {
        Injector inject(p->win.files.calls, k, fault);
        try {
          p->quit();
        } catch (const Crash&) {
          crashed = true;
        }
      }
      const std::string log = readFile(f.log()), ini = readFile(f.ini());
      // The new log's first line holds the time of its run.
      const bool logOld = log == oldLog, logNew = isNewLog(log, oldLog);
      const bool iniOld = ini == oldIni;
      const bool whole = (logOld || logNew) && (iniOld || ini == newIni);
      if (!whole) {
        ++torn;
        say("#   torn at step " + std::to_string(k) + " (" + steps[k - 1] + ")");
      }
      oldSeen += logOld + iniOld;
      newSeen += logNew + (ini == newIni);
      if (fault != Fault::Crash) {
        const bool logFailed = k <= logSteps;
        const std::string failed = utf8(logFailed ? f.log() : f.ini()) + "\r\n";
        const bool named =
            p->saveFailures().rfind(failed, 0) == 0 &&
            p->saveFailures().find(logFailed ? "default.ini" : "log.ini") == std::string::npos;
        const bool ok = named && p->failureBoxes() == 1 && !crashed;
        const bool wrong = logOld != logFailed || iniOld == logFailed || f.leftover();
        told += ok;
        wrongOutcome += wrong;
        if (!ok || wrong)
          say("#   failure of step " + std::to_string(k) + " (" + steps[k - 1] + "): told \"" +
              shown(p->saveFailures()) + "\", log " + (logOld ? "old" : "not old") +
              ", default.ini " + (iniOld ? "old" : "not old") +
              (f.leftover() ? ", temporary file left" : ""));
        continue;
      }
      wrongOutcome += !crashed;
      // The next run writes both files whole, a temporary file left by the crash or not.
      p.reset();
      Program next(f.folder);
      const std::string before = readFile(f.log());
      next.quit();
      const std::string after = readFile(f.log());
      if (!next.saveFailures().empty() || f.leftover() || !isNewLog(after, before)) {
        ++blocked;
        say("#   after a crash at step " + std::to_string(k) + ": told \"" +
            shown(next.saveFailures()) + "\"" + (f.leftover() ? ", temporary file left" : "") +
            ", log " + std::to_string(before.size()) + " -> " + std::to_string(after.size()) +
            " bytes");
      }
    }
  }
  const int failures = 2 * static_cast<int>(steps.size());
  check(torn == 0, "no step crashed or failed tears a file: " + std::to_string(cases) + " cases",
        std::to_string(torn) + " torn");
  check(told == failures,
        "every failed step is reported, naming that file alone (with or without an error number)",
        std::to_string(told) + " of " + std::to_string(failures));
  check(wrongOutcome == 0,
        "a failed file stays old, the other is written; no temporary file stays after a failure",
        std::to_string(wrongOutcome));
  check(blocked == 0, "after every crash the next run's quit writes both files and leaves no temp",
        std::to_string(blocked));
  check(oldSeen > 0 && newSeen > 0, "crashes before the move keep the old file, after it the new");

  // A temporary file left read-only and hidden (copied, or touched by another tool)
  // does not block the write. Windows refuses to overwrite such a file; Wine run as root
  // does not, so here this checks only that the leftover is replaced and gone.
  auto p = prepare();
  writeFile(f.log() + L".tmp~", "left over");
  ::SetFileAttributesW((f.log() + L".tmp~").c_str(),
                       FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  p->quit();
  check(p->saveFailures().empty() && isNewLog(readFile(f.log()), oldLog) && !f.leftover(),
        "a read-only hidden temporary file left over does not block the write", p->saveFailures());
}

// What a kill left of the file written.
enum class Left { Old, New, Gone, Torn };

struct KillTally {
  int done = 0, torn = 0, oldFiles = 0, newFiles = 0, gone = 0, midWrite = 0, exited = 0;
};

// Kills Varnolt.exe `runs` times while it writes `file`, each kill aimed at the write as this
// run makes it, whatever the machine's speed: every fifth run the moment `file` is seen
// replaced (or deleted), every fifth the appearance of its temporary file (the first write
// of several), the others the moment it has grown to a random share of `oldSize`. A write that ends
// between two looks is killed at once after it. `start` puts the old files in place and starts
// Varnolt (null: not started), `trigger` makes it write (false: it could not), `judge` tells what
// was left.
KillTally killDuringWrites(int runs, const std::wstring& file, std::int64_t oldSize,
                           const std::function<std::unique_ptr<Varnolt>()>& start,
                           const std::function<bool(Varnolt&)>& trigger,
                           const std::function<Left()>& judge) {
  const std::string name = utf8(file.substr(file.find_last_of(L'\\') + 1));
  const std::wstring temporary = file + L".tmp~";
  std::mt19937 random(20261208);
  std::uniform_real_distribution<double> share(0.0, 1.0);
  KillTally t;
  for (int i = 0; i < runs; ++i) {
    if (i > 0 && i % 10 == 0)
      say("#   " + std::to_string(t.done) + " runs: " + std::to_string(t.torn) + " torn, " +
          std::to_string(t.oldFiles) + " old, " + std::to_string(t.newFiles) + " new, " +
          std::to_string(t.midWrite) + " inside the write");
    const bool afterReplace = i % 5 == 4;
    const auto grown =
        i % 5 == 0 ? 0 : static_cast<std::int64_t>(share(random) * static_cast<double>(oldSize));
    // A temporary file left by the last kill would pass for one of this run.
    ::DeleteFileW(temporary.c_str());
    auto v = start();
    if (!v) continue;
    Handle process(::OpenProcess(
        PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, v->pid()));
    if (!trigger(*v)) continue;
    const auto at = std::chrono::steady_clock::now();
    while (::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT && msSince(at) < 60000) {
      if (fileSize(file) != oldSize) break;
      if (!afterReplace && fileSize(temporary) >= grown) break;
    }
    ::TerminateProcess(process.get(), 9);
    ::WaitForSingleObject(process.get(), 10000);
    DWORD code = 0;
    ::GetExitCodeProcess(process.get(), &code);
    ++t.done;
    t.midWrite += exists(temporary);
    const Left left = judge();
    // Only a kill counts for a side: a process that ended by itself was not interrupted.
    const bool killed = code == 9;
    t.exited += !killed;
    t.oldFiles += killed && left == Left::Old;
    t.newFiles += killed && left == Left::New;
    t.gone += killed && left == Left::Gone;
    if (left == Left::Torn) {
      ++t.torn;
      say("#   torn when aimed " +
          (afterReplace ? std::string("after the replace")
                        : "at " + std::to_string(grown) + " bytes of the temporary file") +
          ": " + name + " " + std::to_string(fileSize(file)) + " bytes");
    }
  }
  say("# kill test of " + name + ": " + std::to_string(t.done) + " runs, " +
      std::to_string(t.torn) + " torn, " + std::to_string(t.oldFiles) +
      " killed before the replace (old), " + std::to_string(t.newFiles) + " after it (new), " +
      std::to_string(t.gone) + " after its deletion, " + std::to_string(t.midWrite) +
      " killed inside the write (temporary file left), " + std::to_string(t.exited) +
      " ended before the kill");
  check(t.done == runs && t.torn == 0,
        "every kill leaves " + name + " whole, old or new: " + std::to_string(t.done) + " runs",
        std::to_string(t.torn) + " torn");
  // A kill that leaves a temporary file fell inside a write, before that write's replace;
  // one that finds the file deleted (the journal of a night that ended) fell after it.
  if (runs >= 5)
    check((t.oldFiles > 0 || t.midWrite > 0) && t.newFiles + t.gone > 0,
          "the kills fell before (or inside) and after a replace of " + name,
          std::to_string(t.oldFiles) + " old, " + std::to_string(t.midWrite) + " inside, " +
              std::to_string(t.newFiles) + " new, " + std::to_string(t.gone) + " deleted");
  return t;
}

// Under Wine the log box takes half a minute to lay out 100,000 lines.
constexpr int kBigLogStartMs = 180000;

void logKillTests(const Env& env, int runs) {
  say("# Varnolt.exe killed while it writes a 100,000-line log.ini, " + std::to_string(runs) +
      " runs");
  Files f{installVarnolt(env, L"killtest")};
  const std::wstring program = joinPath(f.folder, L"Varnolt.exe");
  const std::string oldLog = oldLogBytes(100000);
  const std::string oldIni = cp932(designSettings());
  auto reset = [&] { return writeFile(f.log(), oldLog) && writeFile(f.ini(), oldIni); };

  // Unkilled quits: how long from the answer to the end of the process.
  constexpr int kCleanQuits = 2;
  std::vector<double> quitMs;
  double writeFrom = -1, writeTo = -1;
  bool cleanOk = true;
  for (int i = 0; i < kCleanQuits; ++i) {
    reset();
    Varnolt v(program, f.folder, kBigLogStartMs);
    if (!v.main) {
      say("#   Varnolt.exe with the 100,000-line log shows no window");
      continue;
    }
    say("#   start with the 100,000-line log: " + std::to_string(static_cast<int>(v.startMs)) +
        " ms");
    // Watched closely: when the temporary file of log.ini is there.
    v.quit(10000);
    const auto at = std::chrono::steady_clock::now();
    while (!v.waitExit(0) && msSince(at) < 60000) {
      if (exists(f.log() + L".tmp~")) {
        const double t = msSince(at);
        if (writeFrom < 0) writeFrom = t;
        writeTo = std::max(writeTo, t);
      }
    }
    quitMs.push_back(msSince(at));
    const std::string log = readFile(f.log());
    if (readFile(f.ini()) != oldIni || f.leftover())
      say("#   unkilled quit: default.ini " + hex(readFile(f.ini()), 80) +
          (f.leftover() ? ", temporary file left" : ""));
    if (!isNewLog(log, oldLog))
      say("#   unkilled quit: log.ini " + std::to_string(log.size()) + " bytes, old " +
          std::to_string(oldLog.size()) + ", starts " + hex(log, 80));
    cleanOk = cleanOk && isNewLog(readFile(f.log()), oldLog) && readFile(f.ini()) == oldIni &&
              !f.leftover();
  }
  std::sort(quitMs.begin(), quitMs.end());
  check(static_cast<int>(quitMs.size()) == kCleanQuits && cleanOk,
        "an unkilled quit writes the whole 100,001-line log.ini and default.ini");
  if (quitMs.empty()) return;
  say("# answer to process end, median: " +
      std::to_string(static_cast<int>(quitMs[quitMs.size() / 2])) + " ms; temporary file seen " +
      std::to_string(static_cast<int>(writeFrom)) + ".." +
      std::to_string(static_cast<int>(writeTo)) + " ms");

  killDuringWrites(
      runs, f.log(), static_cast<std::int64_t>(oldLog.size()),
      [&]() -> std::unique_ptr<Varnolt> {
        if (!reset()) return nullptr;
        auto v = std::make_unique<Varnolt>(program, f.folder, kBigLogStartMs);
        return v->main ? std::move(v) : nullptr;
      },
      [](Varnolt& v) {
        v.quit(10000);
        return true;
      },
      [&] {
        const std::string log = readFile(f.log());
        if (readFile(f.ini()) != oldIni) return Left::Torn;
        return log == oldLog ? Left::Old : isNewLog(log, oldLog) ? Left::New : Left::Torn;
      });

  // Whatever the last kill left, the next quit writes the log.
  reset();
  Varnolt v(program, f.folder, kBigLogStartMs);
  if (v.main) v.quit(10000);
  check(v.main && v.waitExit(60000) && isNewLog(readFile(f.log()), oldLog) && !f.leftover(),
        "after the kills an unkilled quit writes log.ini whole and leaves no temporary file");
}

// The night journal of a resumed night of `rows` conversions, each failed. Varnolt writes it
// again as it puts the rows back one by one: the rows so far with the one just added still
// unworked, then all of them. The journal left by the cut night marks its last row current,
// which the rewritten one does not: `texts` are what Varnolt writes, old is the cut night's.
struct NightTexts {
  std::string old;
  std::vector<std::string> texts;
};
NightTexts nightJournals(const std::wstring& folder, int rows) {
  const std::wstring head =
      L"[Varnolt night]\r\nCheck1=0\r\nCheck2=0\r\nEndOfWork=5\r\nTally=0|0\r\n";
  auto row = [&](int k, const wchar_t* status, const wchar_t* current) {
    const std::wstring source = joinPath(folder, L"録画");
    return L"Conversion=1|" + std::wstring(status) + L"|" + source + L"\\夜の番組 第" +
           std::to_wstring(1000 + k) + L"話.m2t|" + source + L"|" + current + L"\r\n";
  };
  NightTexts n;
  std::wstring done = head;
  n.texts.push_back(cp932(head));
  for (int k = 1; k <= rows; ++k) {
    n.texts.push_back(cp932(done + row(k, L"未作業", L"")));
    n.old = cp932(done + row(k, L"変換に失敗しました", L"current"));
    done += row(k, L"変換に失敗しました", L"");
  }
  n.texts.push_back(cp932(done));
  return n;
}

// Varnolt.exe killed while it writes night.ini as it resumes a night of 300 conversions: the
// start with the cut night's journal asks whether to continue, and Yes writes the journal
// again once for every row it puts back.
void nightKillTests(const Env& env, int runs) {
  constexpr int kRows = 300;
  const std::wstring folder = prepareNight(env, L"nightkill", 5, 1000, true, false);
  const std::wstring program = joinPath(folder, L"Varnolt.exe");
  const std::wstring journal = joinPath(folder, L"night.ini");
  const NightTexts n = nightJournals(folder, kRows);
  say("# Varnolt.exe killed while it writes night.ini for a resumed night of " +
      std::to_string(kRows) + " conversions (" + std::to_string(n.old.size()) + " bytes), " +
      std::to_string(runs) + " runs");
  auto start = [&]() -> std::unique_ptr<Varnolt> {
    if (!writeFile(journal, n.old)) return nullptr;
    return std::make_unique<Varnolt>(program, folder, 0);
  };
  auto resume = [](Varnolt& v) {
    HWND box = v.messageBox(60000);
    if (!box || boxMessage(box).find(L"続きを行いますか？") == std::wstring::npos) return false;
    answer(box, IDYES);
    return true;
  };
  auto judge = [&] {
    const std::string now = readFile(journal);
    if (now.empty() && !exists(journal)) return Left::Gone;
    if (now == n.old) return Left::Old;
    return std::find(n.texts.begin(), n.texts.end(), now) != n.texts.end() ? Left::New : Left::Torn;
  };

  // Unkilled: the resumed night writes the journal row by row, ends and deletes it. Only the
  // temporary file is looked at: a reader of night.ini would hold off its replace.
  {
    auto v = start();
    const bool asked = v && resume(*v);
    const auto at = std::chrono::steady_clock::now();
    std::int64_t largest = -1;
    HWND done = nullptr;
    while (asked && msSince(at) < 120000) {
      largest = std::max(largest, fileSize(journal + L".tmp~"));
      done = findTop(v->pid(), L"#32770", L"");
      if (done && boxMessage(done) == kAllDone) break;
      done = nullptr;
    }
    say("# resumed night, answer to its end: " + std::to_string(static_cast<int>(msSince(at))) +
        " ms; largest temporary night.ini seen " + std::to_string(largest) + " bytes");
    check(asked && done && !exists(journal), "an unkilled resumed night ends and deletes night.ini",
          std::string(asked ? "" : "no question, ") + (done ? "" : "no end, ") +
              (exists(journal) ? "night.ini left" : ""));
  }
  killDuringWrites(runs, journal, static_cast<std::int64_t>(n.old.size()), start, resume, judge);
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
