// log.ini and default.ini through the quit, with the file port's system calls interrupted
// at every step: a crash (the program stops right there, no clean-up) or a failing call.
// Each file on disk must be its whole old or whole new self, and a failure must be told.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "app/journal.hpp"
#include "fixture.hpp"

namespace varnolt::testing {
namespace {

// Not a std::exception, so no handler of the program can swallow it: the program ends here.
struct Crash {};

enum class Fault { Crash, Fail, FailWithoutErrorNumber };

// Wraps the real calls, numbering each step of a write (open, every write call, fsync,
// close, rename); step `at` crashes or fails, with an error number or none. After a crash
// every call goes through unnumbered, as the system closes what a dead process left open.
class Injector {
 public:
  Injector(sim::SimFileCalls& calls, int at, Fault fault) : real_(calls), at_(at), fault_(fault) {
    calls.open = [this](const char* p, int flags, unsigned mode) {
      return step("open") ? real_.open(p, flags, mode) : -1;
    };
    calls.write = [this](int fd, const void* d, std::size_t n) {
      return step("write") ? real_.write(fd, d, n) : -1L;
    };
    calls.fsync = [this](int fd) { return step("fsync") ? real_.fsync(fd) : -1; };
    calls.close = [this](int fd) {
      // The descriptor is gone either way, as close(2) leaves it, and a dead process's
      // descriptors are closed by the system.
      bool go = false;
      try {
        go = step("close");
      } catch (const Crash&) {
        real_.close(fd);
        throw;
      }
      const int r = real_.close(fd);
      return go ? r : -1;
    };
    calls.rename = [this](const char* a, const char* b) {
      return step("rename") ? real_.rename(a, b) : -1;
    };
  }
  std::vector<std::string> steps;

 private:
  bool step(const char* name) {
    if (crashed_) return true;
    steps.emplace_back(name);
    if (static_cast<int>(steps.size()) != at_) return true;
    if (fault_ == Fault::Crash) {
      crashed_ = true;
      throw Crash{};
    }
    errno = fault_ == Fault::Fail ? EIO : 0;
    return false;
  }
  sim::SimFileCalls real_;
  int at_;
  Fault fault_;
  bool crashed_ = false;
};

class CrashSafeTest : public WorldTest {
 protected:
  // An old log of 5,000 lines (several write chunks) and old settings, then a start and
  // a change of the settings, so that the quit has a new version of each file to write.
  void prepare() {
    std::string log;
    for (int i = 0; i < 5000; ++i)
      log += "2004/10/16   21:00:00   ダウンロード完了 番組" + std::to_string(i) + "\r\n";
    oldLog = ansi(log);
    writeHost(appHost("log.ini"), oldLog);
    writeHost(appHost("default.ini"), ansi("/text4.text\r\nD:\\録画\r\n/Check1.Value\r\n0\r\n"));
    oldIni = readHost(appHost("default.ini"));
    ASSERT_GT(oldLog.size(), 3 * sim::SimFileSystem::kWriteChunk);
    restart();
    form->Text4.setText("E:\\新しい録画");
    form->Check1.setValue(1);
  }
  // Another run of the program on the same folder.
  void restart() {
    form.reset();
    world = std::make_unique<sim::SimWorld>(dir.path(),
                                            platform::DateTime{2004, 10, 17, 21, 5, 33, 0, 0},
                                            [this](std::string_view l) { events.emplace_back(l); });
    startForm();
  }
  // The real quit: the question answered Yes.
  bool quit() {
    world->dialogs.answers.push_back(platform::mb::kIdYes);
    return form->Form_QueryUnload();
  }
  // What the quit's message lists as not saved (each path and its error), "" when no
  // such message came.
  std::string saveFailures() const {
    const std::string head = "次のファイルを保存できませんでした。\\r\\n";
    std::string found;
    for (const auto& m : msgboxes()) {
      auto at = m.find(head);
      if (at == std::string::npos) continue;
      at += head.size();
      found = m.substr(at, m.find("\\r\\n\\r\\n", at) - at);
    }
    return text_rules::replaceAll(text_rules::replaceAll(found, "\\r", "\r"), "\\n", "\n");
  }
  int failureBoxes() const {
    int n = 0;
    for (const auto& m : msgboxes())
      n += m.find("次のファイルを保存できませんでした。") != std::string::npos;
    return n;
  }
  std::string log() { return readHost(appHost("log.ini")); }
  std::string ini() { return readHost(appHost("default.ini")); }
  bool leftover() {
    return std::filesystem::exists(appHost("log.ini.tmp~")) ||
           std::filesystem::exists(appHost("default.ini.tmp~"));
  }

  std::string oldLog, oldIni;
};

TEST_F(CrashSafeTest, EveryStepOfTheQuitCrashedOrFailedLeavesWholeFilesAndTellsTheFailure) {
  // The clean quit: what each new file is, and how many steps the writing takes.
  prepare();
  std::vector<std::string> steps;
  {
    Injector count(world->files.calls, 0, Fault::Fail);
    ASSERT_TRUE(quit());
    steps = count.steps;
  }
  EXPECT_EQ(saveFailures(), "");
  const std::string newLog = log(), newIni = ini();
  ASSERT_NE(newLog, oldLog);
  ASSERT_NE(newIni, oldIni);
  EXPECT_EQ(newLog.substr(newLog.size() - oldLog.size() - 2), "\r\n" + oldLog);
  // log.ini: open, four chunks or more, fsync, close, rename; then default.ini's five.
  ASSERT_GE(steps.size(), 13u);
  EXPECT_EQ(steps.front(), "open");
  EXPECT_EQ(steps.back(), "rename");
  const auto logSteps =
      static_cast<int>(std::find(steps.begin(), steps.end(), "rename") - steps.begin()) + 1;
  EXPECT_GE(std::count(steps.begin(), steps.begin() + logSteps, "write"), 4);

  int oldLogs = 0, newLogs = 0, oldInis = 0, newInis = 0;
  for (Fault fault : {Fault::Crash, Fault::Fail, Fault::FailWithoutErrorNumber}) {
    for (int k = 1; k <= static_cast<int>(steps.size()); ++k) {
      const std::string what = (fault == Fault::Crash ? "crash at step " : "failure of step ") +
                               std::to_string(k) + " (" + steps[k - 1] + ")";
      SCOPED_TRACE(what);
      events.clear();
      prepare();
      bool crashed = false;
      {
        Injector inject(world->files.calls, k, fault);
        try {
          EXPECT_TRUE(quit());
        } catch (const Crash&) {
          crashed = true;
        }
      }
      EXPECT_EQ(crashed, fault == Fault::Crash);
      const bool logIsOld = log() == oldLog, iniIsOld = ini() == oldIni;
      EXPECT_TRUE(logIsOld || log() == newLog) << "torn log.ini of " << log().size() << " bytes";
      EXPECT_TRUE(iniIsOld || ini() == newIni) << "torn default.ini: " << ini();
      oldLogs += logIsOld;
      newLogs += log() == newLog;
      oldInis += iniIsOld;
      newInis += ini() == newIni;
      if (fault != Fault::Crash) {
        // Exactly the file whose step failed is old and named in the message; the other
        // one is written all the same; no temporary file stays behind.
        const bool logFailed = k <= logSteps;
        EXPECT_EQ(logIsOld, logFailed);
        EXPECT_EQ(iniIsOld, !logFailed);
        const std::string failed =
            logFailed ? "C:\\Varnolt\\log.ini\r\n" : "C:\\Varnolt\\default.ini\r\n";
        EXPECT_EQ(saveFailures().rfind(failed, 0), 0u) << saveFailures();
        EXPECT_EQ(saveFailures().find(logFailed ? "default.ini" : "log.ini"), std::string::npos);
        EXPECT_EQ(failureBoxes(), 1);
        EXPECT_FALSE(leftover());
      } else {
        // The crashed write's temporary file may stay; the next run's quit writes both
        // files whole all the same and leaves none.
        EXPECT_EQ(failureBoxes(), 0);
        const std::string before = log();
        restart();
        EXPECT_TRUE(quit());
        EXPECT_EQ(saveFailures(), "");
        EXPECT_FALSE(leftover());
        const std::string again = log();
        ASSERT_GT(again.size(), before.size() + 2);
        EXPECT_EQ(again.substr(again.size() - before.size() - 2), "\r\n" + before);
        EXPECT_EQ(ini().find(ansi("E:\\新しい録画")) != std::string::npos, !iniIsOld);
      }
    }
  }
  // Crashes before the rename keep the old file, after it give the new one: both seen.
  EXPECT_GT(oldLogs, 0);
  EXPECT_GT(newLogs, 0);
  EXPECT_GT(oldInis, 0);
  EXPECT_GT(newInis, 0);
}

TEST_F(CrashSafeTest, EveryStepOfAJournalWriteCrashedLeavesAWholeJournal) {
  // A night of 1,500 conversions (a journal of several write chunks) with its journal on
  // disk; one conversion's outcome then writes the journal anew, crashed at every step.
  auto night = [this] {
    std::filesystem::remove(appHost("night.ini"));
    std::filesystem::remove(appHost("night.ini.tmp~"));
    restart();
    for (int i = 0; i < 1500; ++i)
      form->m2tlist_Add("X:\\録画\\番組" + std::to_string(i) + ".m2t", "X:\\録画");
    form->nightStarted();
  };
  auto journal = [this] { return readHost(appHost("night.ini")); };
  night();
  const std::string oldJournal = journal();
  std::vector<std::string> steps;
  {
    Injector count(world->files.calls, 0, Fault::Fail);
    form->nightSucceeded(false);
    steps = count.steps;
  }
  const std::string newJournal = journal();
  ASSERT_NE(newJournal, oldJournal);
  ASSERT_GE(std::count(steps.begin(), steps.end(), "write"), 2);
  int olds = 0;
  for (int k = 1; k <= static_cast<int>(steps.size()); ++k) {
    SCOPED_TRACE("crash at step " + std::to_string(k) + " (" + steps[k - 1] + ")");
    night();
    {
      Injector inject(world->files.calls, k, Fault::Crash);
      EXPECT_THROW(form->nightSucceeded(false), Crash);
    }
    const std::string now = journal();
    EXPECT_TRUE(now == oldJournal || now == newJournal) << "torn journal of " << now.size();
    EXPECT_TRUE(parseJournal(world->codec.fromAnsi(now)));
    olds += now == oldJournal;
  }
  // The new journal replaces the old one in the last step only: every crash before it
  // leaves the old plan whole, which the next start resumes.
  EXPECT_EQ(olds, static_cast<int>(steps.size()));
}

TEST_F(CrashSafeTest, ALeftoverTemporaryFileNeverBlocksTheNextWrite) {
  prepare();
  writeHost(appHost("log.ini.tmp~"), "half a log from a crashed run");
  writeHost(appHost("default.ini.tmp~"), std::string(200000, 'x'));
  // Attributes given to them since, with which the system refuses to write over a file.
  world->files.setAttributes("C:\\Varnolt\\log.ini.tmp~", platform::attr::kReadOnly);
  world->files.setAttributes("C:\\Varnolt\\default.ini.tmp~",
                             platform::attr::kHidden | platform::attr::kSystem);
  EXPECT_TRUE(quit());
  EXPECT_EQ(saveFailures(), "");
  EXPECT_FALSE(leftover());
  EXPECT_NE(log(), oldLog);
  EXPECT_NE(ini().find(ansi("E:\\新しい録画")), std::string::npos);
}

TEST_F(CrashSafeTest, AWriteCallThatTakesNothingIsAFullDiskNotASuccess) {
  prepare();
  world->files.calls.write = [](int, const void*, std::size_t) { return 0L; };
  EXPECT_TRUE(quit());
  EXPECT_EQ(log(), oldLog);
  EXPECT_EQ(ini(), oldIni);
  EXPECT_NE(saveFailures().find("C:\\Varnolt\\log.ini\r\n"), std::string::npos);
  EXPECT_NE(saveFailures().find("C:\\Varnolt\\default.ini\r\n"), std::string::npos);
  EXPECT_FALSE(leftover());
}

TEST_F(CrashSafeTest, ShortWritesAreCarriedOnToTheEnd) {
  prepare();
  auto real = world->files.calls.write;
  world->files.calls.write = [real](int fd, const void* d, std::size_t n) {
    return real(fd, d, std::min<std::size_t>(n, 1000));
  };
  EXPECT_TRUE(quit());
  EXPECT_EQ(saveFailures(), "");
  EXPECT_EQ(log().substr(log().size() - oldLog.size() - 2), "\r\n" + oldLog);
}

}  // namespace
}  // namespace varnolt::testing
