// A fresh simulated world in a temporary folder, with the main window on it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/form1.hpp"
#include "platform/sim/sim_desktop.hpp"
#include "platform/sim/sim_world.hpp"

namespace varnolt::testing {

class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/varnolt-test-XXXXXX";
    path_ = mkdtemp(tmpl);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline std::string readHost(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline void writeHost(const std::filesystem::path& p, const std::string& bytes) {
  std::filesystem::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary);
  out << bytes;
}

class WorldTest : public ::testing::Test {
 protected:
  WorldTest() {
    std::filesystem::create_directories(dir.path() / "c" / "Varnolt");
    world = std::make_unique<sim::SimWorld>(dir.path(),
                                            platform::DateTime{2004, 10, 17, 21, 5, 33, 0, 0},
                                            [this](std::string_view l) { events.emplace_back(l); });
  }
  Form1& makeForm() {
    form = std::make_unique<Form1>(world->platform);
    for (auto* t : form->timers()) world->clock.watch(*t);
    form->width = 10530;
    form->height = 8730;
    return *form;
  }
  Form1& startForm() {
    makeForm().Form_Load();
    return *form;
  }
  std::filesystem::path appHost(const std::string& name) const {
    return dir.path() / "c" / "Varnolt" / name;
  }
  std::string ansi(const std::string& utf8) { return world->codec.toAnsi(utf8); }
  std::vector<std::string> msgboxes() const {
    std::vector<std::string> v;
    for (const auto& e : events)
      if (e.rfind("msgbox ", 0) == 0) v.push_back(e.substr(7));
    return v;
  }

  TempDir dir;
  std::vector<std::string> events;
  std::unique_ptr<sim::SimWorld> world;
  std::unique_ptr<Form1> form;
};

}  // namespace varnolt::testing
