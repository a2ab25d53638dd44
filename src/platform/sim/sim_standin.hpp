// The stand-in controller hosted on the simulated desktop: a process whose windows the
// behaviour model describes, started through the simulated shell and moved by the clock.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/sim/sim_desktop.hpp"
#include "platform/sim/sim_world.hpp"
#include "standin/roku_model.hpp"

namespace varnolt::sim {

class SimStandin final : private standin::Host {
 public:
  // Lines the controller reports ("controller: ...") go to the world's sink.
  explicit SimStandin(SimWorld& world);
  SimStandin(const SimStandin&) = delete;
  SimStandin& operator=(const SimStandin&) = delete;
  ~SimStandin() override;

  standin::Config config;

  // A stand-in executable at `windowsPath`: starting that file starts the controller.
  void install(const std::string& windowsPath);
  // What the shell runs: a new process whose main window appears config.startupMs later.
  // A second start while one runs starts nothing new and returns the running process.
  std::uint32_t start();
  // The controller is already up: process and windows exist now.
  void runNow();
  bool running() const { return pid_ != 0; }
  bool windowShown() const { return model_ != nullptr; }
  std::uint32_t pid() const { return pid_; }
  // The process ends now, its windows with it.
  void terminate() { exit(); }
  // Stops or resumes answering messages.
  void setHung(bool hung);
  // Report name and handle of every window the controller has now, main window first.
  std::vector<std::pair<std::string, Hwnd>> report() const;
  Hwnd handleOf(int id) const;
  // LB_SETCURSEL and WM_KEYDOWN messages its list box received since the last call.
  std::vector<std::string> takeListMessages();
  const standin::Controller* model() const { return model_.get(); }

 private:
  void tick(std::int64_t nowMs);
  // A new process of the controller, run as administrator under the "elevated" fault.
  std::uint32_t createProcess();
  void showWindows();
  Hwnd createWindow(Hwnd parent, const standin::WindowDesc& desc);
  // Runs model code, then carries out an exit it asked for.
  template <typename F>
  void call(F f);
  void teardown();
  SimWindow* win(int id) const;

  // standin::Host
  void openDialog(standin::Dialog dialog, const standin::WindowDesc& window,
                  const std::vector<standin::WindowDesc>& children) override;
  void closeDialog(standin::Dialog dialog) override;
  std::string text(int id) override;
  void setText(int id, const std::string& text) override;
  void setEnabled(int id, bool enabled) override;
  void setItems(const std::vector<std::string>& items) override;
  int selection() override;
  void setSelection(int index) override;
  void setTrackbar(int position) override;
  bool folderExists(const std::string& windowsPath) override;
  std::optional<std::uint64_t> fileSize(const std::string& windowsPath) override;
  bool resizeFile(const std::string& windowsPath, std::uint64_t bytes) override;
  void hang() override;
  void exit() override;
  void note(const std::string& line) override;

  SimWorld& world_;
  std::shared_ptr<bool> alive_;
  std::uint32_t pid_ = 0;
  std::optional<std::int64_t> showAt_;
  std::unique_ptr<standin::Controller> model_;
  std::map<int, Hwnd> handles_;
  std::map<int, std::string> names_;
  std::vector<int> order_;  // ids in creation order, for the report
  bool exitRequested_ = false;
  int depth_ = 0;
};

}  // namespace varnolt::sim
