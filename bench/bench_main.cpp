// Figures for the paths that grow with the user's history: the work log (never
// trimmed) and the settings file, plus the cost of a simulated night.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>

#include "app/form1.hpp"
#include "platform/sim/sim_world.hpp"
#include "simrun/scenario.hpp"

namespace {

using namespace varnolt;

struct World {
  World() {
    char tmpl[] = "/tmp/varnolt-bench-XXXXXX";
    root = mkdtemp(tmpl);
    std::filesystem::create_directories(root / "c" / "Varnolt");
    sim = std::make_unique<sim::SimWorld>(root, platform::DateTime{2026, 12, 7, 21, 0, 0, 0, 1},
                                          [](std::string_view) {});
    form = std::make_unique<Form1>(sim->platform);
  }
  ~World() {
    form.reset();
    sim.reset();
    std::filesystem::remove_all(root);
  }
  std::filesystem::path root;
  std::unique_ptr<sim::SimWorld> sim;
  std::unique_ptr<Form1> form;
};

std::string logOfLines(std::size_t n) {
  std::string s;
  for (std::size_t i = 0; i < n; ++i)
    s += "2026/12/07   21:05:33   ダウンロード開始：ニュースⅡ\r\n";
  return s;
}

// One log line in front of a log of state.range(0) lines.
void BM_LogAdd(benchmark::State& state) {
  World w;
  w.form->Text5.setText(logOfLines(static_cast<std::size_t>(state.range(0))));
  for (auto _ : state) {
    w.form->logAdd("変換開始");
    state.PauseTiming();
    w.form->Text5.setText(logOfLines(static_cast<std::size_t>(state.range(0))));
    state.ResumeTiming();
  }
}
BENCHMARK(BM_LogAdd)->Arg(1000)->Arg(100000);

// Loading and saving a log of state.range(0) lines (CP932 both ways).
void BM_LogRoundTrip(benchmark::State& state) {
  World w;
  w.form->Text5.setText(logOfLines(static_cast<std::size_t>(state.range(0))));
  w.form->logOutPut("C:\\Varnolt\\log.ini");
  for (auto _ : state) {
    w.form->Text5.setText("");
    w.form->logInPut("C:\\Varnolt\\log.ini");
    w.form->logOutPut("C:\\Varnolt\\log.ini");
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(w.form->Text5.text().size()));
}
BENCHMARK(BM_LogRoundTrip)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_SettingsRoundTrip(benchmark::State& state) {
  World w;
  w.form->Label2.setCaption("C:\\Program Files\\ロクラクⅡ\\RokuCtrl.exe");
  for (auto _ : state) {
    w.form->KankyouOutPut("C:\\Varnolt\\default.ini");
    w.form->KankyouInPut("C:\\Varnolt\\default.ini");
  }
}
BENCHMARK(BM_SettingsRoundTrip);

// A whole scenario through the runner: start-up, an hour of idle time, quit.
void BM_ScenarioStartIdleQuit(benchmark::State& state) {
  for (auto _ : state) {
    char tmpl[] = "/tmp/varnolt-bench-XXXXXX";
    std::filesystem::path root = mkdtemp(tmpl);
    std::ostringstream out, err;
    {
      simrun::Options o{root, {2026, 12, 7, 21, 0, 0, 0, 1}};
      simrun::Runner r(o, out);
      r.run("start\nwait 3600000\nanswer yes\nclose\n", "bench", err);
    }
    std::filesystem::remove_all(root);
  }
}
BENCHMARK(BM_ScenarioStartIdleQuit)->Unit(benchmark::kMillisecond);

// A night of state.range(0) downloads of state.range(1) ms each on the stand-in
// controller. Counters: the program's own virtual time per file beyond the transfer
// itself ("overhead_ms"), against the fixed waits of the sequence: the 2000 ms after the
// receive click plus at most one 3000 ms poll period ("fixed_max_ms").
void BM_DownloadNight(benchmark::State& state) {
  const auto files = static_cast<int>(state.range(0));
  const auto jobMs = static_cast<std::int64_t>(state.range(1));
  double overhead = 0;
  for (auto _ : state) {
    char tmpl[] = "/tmp/varnolt-bench-XXXXXX";
    std::filesystem::path root = mkdtemp(tmpl);
    std::ostringstream out, err;
    {
      simrun::Options o{root, {2026, 12, 7, 21, 0, 0, 0, 1}};
      simrun::Runner r(o, out);
      std::string setup = "controller install C:\\Roku\\RokuCtrl.exe\ncontroller job " +
                          std::to_string(jobMs) + "\ncontroller recordings " +
                          std::to_string(files) +
                          "\ndrive X:\nstart\nopenfile C:\\Roku\\RokuCtrl.exe\nclick Command7\n"
                          "set Text4 X:\\rec\nclick Command3\nclick Command1\n";
      for (int k = 1; k <= files; ++k) setup += "check ListView1 " + std::to_string(k) + " on\n";
      r.run(setup, "bench", err);
      const std::int64_t start = r.world().clock.ticks();
      r.run("click Command5\n", "bench", err);
      while (r.form().Timer1.enabled()) r.world().clock.idle(100);
      const double perFile =
          static_cast<double>(r.world().clock.ticks() - start) / static_cast<double>(files);
      overhead = perFile - static_cast<double>(jobMs);
    }
    std::filesystem::remove_all(root);
  }
  state.counters["overhead_ms"] = overhead;
  state.counters["fixed_max_ms"] = 2000 + 3000;
}
BENCHMARK(BM_DownloadNight)
    ->Args({10, 60000})
    ->Args({10, 61000})
    ->Args({10, 62900})
    ->Unit(benchmark::kMillisecond);

// A conversion run of state.range(0) files of 100 MB through the stand-in controller, which
// works 60 s on each. Reports the run's own virtual time per file beyond the controller's
// job (counter "overhead_ms_per_file": presses that wait out their limits while the
// controller's dialogs are open, and the poll's lag), and the host time of the whole run.
void BM_ConversionRunOverhead(benchmark::State& state) {
  const auto files = static_cast<int>(state.range(0));
  constexpr int kJobMs = 60000;
  double overhead = 0;
  for (auto _ : state) {
    char tmpl[] = "/tmp/varnolt-bench-XXXXXX";
    std::filesystem::path root = mkdtemp(tmpl);
    std::ostringstream out, err;
    {
      std::string scn = "controller install C:\\Roku\\RokuCtrl.exe\ncontroller job " +
                        std::to_string(kJobMs) +
                        "\nstart\nset Label2 C:\\Roku\\RokuCtrl.exe\nclick Command3\ndrive D:\n";
      std::string drop = "drop ListView10 ";
      for (int i = 1; i <= files; ++i) {
        const std::string path = "D:\\r\\" + std::to_string(i) + ".m2t";
        scn += "file " + path + " 104857600\n";
        drop += (i > 1 ? "|" : "") + path;
      }
      scn += drop + "\nelapsed\nclick Command9\nwait " + std::to_string(files * (kJobMs + 10000)) +
             "\n";
      simrun::Options o{root, {2026, 12, 7, 21, 0, 0, 0, 1}};
      simrun::Runner r(o, out);
      r.run(scn, "bench", err);
    }
    std::filesystem::remove_all(root);
    // From the click of Command9 to the end message, less the controller's own work.
    const std::string text = out.str();
    const auto at = text.find("elapsed ");
    const std::int64_t clicked = std::stoll(text.substr(at + 8));
    const auto end = text.rfind("log: ");
    const auto time = text.substr(end + 5 + 13, 8);  // "21:MM:SS" of the last log line
    const int h = std::stoi(time.substr(0, 2)), m = std::stoi(time.substr(3, 2)),
              sec = std::stoi(time.substr(6, 2));
    const std::int64_t finished = ((h - 21) * 3600 + m * 60 + sec) * 1000LL;
    overhead = static_cast<double>(finished - clicked - std::int64_t{files} * kJobMs) / files;
  }
  state.counters["overhead_ms_per_file"] = overhead;
}
BENCHMARK(BM_ConversionRunOverhead)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

// "新しい録画をチェック" on a full recording list (32,767 rows) against a history of
// state.range(0) recordings: half of the list's rows among them when it holds any.
void BM_CheckNewRecordings(benchmark::State& state) {
  World w;
  Form1& f = *w.form;
  constexpr std::size_t kRows = 32767;
  auto title = [](std::size_t k) {
    return "ドキュメンタリー　世界の車窓から 第" + std::to_string(k) + "回";
  };
  auto recorded = [](std::size_t k) {
    return "2026/" + std::to_string(1 + k % 12) + "/" + std::to_string(1 + k % 28) + " 21:00";
  };
  {
    controls::ListUpdate batch(f.ListView1);
    for (std::size_t k = 1; k <= kRows; ++k)
      f.ListView1.addRow({}, {std::to_string(k), "", title(k), recorded(k), "01:00", "HD",
                              std::to_string(k % 2000), "X:\\録画"});
  }
  const auto historySize = static_cast<std::size_t>(state.range(0));
  for (std::size_t i = 0; i < historySize; ++i) {
    // Every second row of the list, the rest recordings no longer on the recorder.
    const std::size_t k = i < kRows / 2 ? 2 * i + 1 : kRows + i;
    f.history.add(title(k), recorded(k), "01:00");
  }
  f.history.loaded = true;
  f.ProgressBar1.setMax(4.0e6f);
  std::size_t checked = 0;
  for (auto _ : state) {
    state.PauseTiming();
    {
      controls::ListUpdate batch(f.ListView1);
      for (std::size_t r = 1; r <= kRows; ++r) {
        f.ListView1.setChecked(r, false);
        f.ListView1.setDownloaded(r, false);
      }
    }
    state.ResumeTiming();
    checked = f.checkNewRecordings();
  }
  state.counters["checked"] = static_cast<double>(checked);
}
BENCHMARK(BM_CheckNewRecordings)->Arg(0)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
