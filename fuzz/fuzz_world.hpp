// What every fuzz target shares: a simulated world in a scratch folder, kept for the
// whole run (building one per input would cost more than the reader under test), and
// the check that stops the run when a property fails.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/form1.hpp"
#include "platform/sim/sim_desktop.hpp"
#include "platform/sim/sim_world.hpp"
#include "standin/roku_model.hpp"

namespace varnolt::fuzz {

// A failed property aborts, so libFuzzer keeps the input as a finding.
[[noreturn]] inline void failed(const char* file, int line, const char* condition,
                                const std::string& detail) {
  std::fprintf(stderr, "%s:%d: property failed: %s\n%s\n", file, line, condition, detail.c_str());
  std::abort();
}

#define FUZZ_CHECK(condition, detail) \
  ((condition) ? void() : ::varnolt::fuzz::failed(__FILE__, __LINE__, #condition, (detail)))

inline std::string_view bytesOf(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// CR and LF made visible, for the detail of a failed property.
inline std::string show(std::string_view s) {
  return sim::escapeLine(s);
}

// A scratch folder in memory when the machine has one; removed when the run ends.
class ScratchDir {
 public:
  ScratchDir() {
    std::error_code ec;
    const char* base = std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm" : "/tmp";
    std::string tmpl = std::string(base) + "/varnolt-fuzz-XXXXXX";
    if (!mkdtemp(tmpl.data())) {
      std::perror("mkdtemp");
      std::abort();
    }
    path_ = tmpl;
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline const platform::DateTime kStart{2026, 12, 8, 3, 0, 0, 0, 2};

// The controller's main window as Varnolt finds it: the stand-in's own class and title,
// in a process of its own; the target adds the children it reads.
inline Hwnd controllerWindow(sim::SimDesktop& desktop, std::uint32_t pid) {
  return desktop.createWindow(pid, 0, standin::kMainClass, standin::kDefaultTitle).handle;
}

// One world and one main window for the whole run; each target puts back what it
// uses before every input (a new window per input would cost more than the reader).
class FuzzWorld {
  // First, so that the folder exists before the world and outlives it.
  ScratchDir dir_;

 public:
  FuzzWorld() {
    std::filesystem::create_directories(dir_.path() / "c" / "Varnolt");
    world = std::make_unique<sim::SimWorld>(dir_.path(), kStart,
                                            [this](std::string_view l) { events.emplace_back(l); });
  }

  // The window, with the events of the previous input forgotten.
  Form1& window() {
    events.clear();
    if (!form) {
      form = std::make_unique<Form1>(world->platform);
      form->width = 10530;
      form->height = 8730;
    }
    return *form;
  }

  std::filesystem::path host(std::string_view relative) const { return dir_.path() / relative; }

  void writeHost(const std::filesystem::path& p, std::string_view bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  std::string readHost(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  std::size_t countEvents(std::string_view prefix) const {
    std::size_t n = 0;
    for (const auto& e : events) n += e.rfind(prefix, 0) == 0;
    return n;
  }

  std::string fromAnsi(std::string_view bytes) { return world->codec.fromAnsi(bytes); }
  std::string toAnsi(std::string_view text) { return world->codec.toAnsi(text); }

  std::vector<std::string> events;
  std::unique_ptr<sim::SimWorld> world;
  std::unique_ptr<Form1> form;
};

// The run's world. A fuzz target is one function called once per input, so what lives
// across inputs has to be reachable from it.
inline FuzzWorld& theWorld() {
  static FuzzWorld w;
  return w;
}

}  // namespace varnolt::fuzz
