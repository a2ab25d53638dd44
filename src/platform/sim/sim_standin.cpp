#include "platform/sim/sim_standin.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

namespace varnolt::sim {

namespace fs = std::filesystem;
using standin::Controller;
using standin::WindowDesc;

SimStandin::SimStandin(SimWorld& world) : world_(world), alive_(std::make_shared<bool>(true)) {
  std::weak_ptr<bool> alive = alive_;
  world_.clock.onAdvance([this, alive](std::int64_t now) {
    if (auto a = alive.lock(); a && *a) tick(now);
  });
  world_.onPowerCut.push_back([this, alive] {
    if (auto a = alive.lock(); a && *a && running()) terminate();
  });
}

SimStandin::~SimStandin() {
  *alive_ = false;
}

void SimStandin::install(const std::string& windowsPath) {
  // A folder that cannot be made fails the write below.
  (void)world_.files.makeSurePathExists(windowsPath);
  world_.files.replaceFile(windowsPath, "MZ stand-in Rokuraku Controller\n");
  std::weak_ptr<bool> alive = alive_;
  world_.shell.programs[windowsPath] = [this, alive]() -> std::uint32_t {
    auto a = alive.lock();
    return a && *a ? start() : 0;
  };
}

std::uint32_t SimStandin::start() {
  if (config.has(standin::Fault::StartFails)) return 0;
  if (pid_ != 0) return pid_;
  pid_ = createProcess();
  showAt_ = world_.clock.ticks() + config.startupMs;
  if (config.startupMs <= 0) showWindows();
  return pid_;
}

void SimStandin::runNow() {
  if (pid_ == 0) pid_ = createProcess();
  if (!model_) showWindows();
}

std::uint32_t SimStandin::createProcess() {
  SimProcess& p = world_.desktop->createProcess();
  p.elevated = config.has(standin::Fault::Elevated);
  return p.pid;
}

void SimStandin::setHung(bool hung) {
  SimProcess* p = world_.desktop->process(pid_);
  if (!p) return;
  p->hung = hung;
  if (hung) return;
  // Messages posted meanwhile are handled now, in the order they came.
  auto queued = std::move(p->queued);
  p->queued.clear();
  for (auto& f : queued) f();
}

std::vector<std::pair<std::string, Hwnd>> SimStandin::report() const {
  std::vector<std::pair<std::string, Hwnd>> out;
  for (int id : order_) {
    auto n = names_.find(id);
    auto h = handles_.find(id);
    if (n != names_.end() && h != handles_.end()) out.emplace_back(n->second, h->second);
  }
  return out;
}

Hwnd SimStandin::handleOf(int id) const {
  auto it = handles_.find(id);
  return it == handles_.end() ? 0 : it->second;
}

std::vector<std::string> SimStandin::takeListMessages() {
  SimWindow* list = win(standin::kList);
  if (!list) return {};
  return std::exchange(list->received, {});
}

SimWindow* SimStandin::win(int id) const {
  Hwnd h = handleOf(id);
  return h ? world_.desktop->window(h) : nullptr;
}

template <typename F>
void SimStandin::call(F f) {
  ++depth_;
  try {
    f();
  } catch (...) {
    --depth_;
    throw;
  }
  --depth_;
  if (depth_ == 0 && exitRequested_) teardown();
}

void SimStandin::teardown() {
  exitRequested_ = false;
  world_.desktop->killProcess(pid_);
  pid_ = 0;
  showAt_.reset();
  handles_.clear();
  names_.clear();
  order_.clear();
  model_.reset();
}

void SimStandin::tick(std::int64_t nowMs) {
  if (pid_ == 0) return;
  if (showAt_ && nowMs >= *showAt_) showWindows();
  SimProcess* p = world_.desktop->process(pid_);
  if (model_ && p && !p->hung) call([&] { model_->advance(nowMs); });
}

void SimStandin::showWindows() {
  showAt_.reset();
  Hwnd main = createWindow(0, Controller::mainWindow(config));
  for (const auto& desc : Controller::mainChildren(config)) createWindow(main, desc);
  model_ = std::make_unique<Controller>(config, static_cast<standin::Host&>(*this));
  call([&] { model_->started(world_.clock.ticks()); });
}

Hwnd SimStandin::createWindow(Hwnd parent, const WindowDesc& desc) {
  const std::string cls =
      desc.className.empty() ? Controller::mainWindow(config).className : desc.className;
  SimWindow& w = world_.desktop->createWindow(pid_, parent, cls, desc.caption);
  const int id = desc.id;
  std::weak_ptr<bool> alive = alive_;
  if (id != 0) {
    handles_[id] = w.handle;
    names_[id] = desc.name;
    order_.push_back(id);
  }
  if (cls == "Button") {
    w.onClick = [this, alive, id] {
      if (auto a = alive.lock(); a && *a && model_)
        call([&] { model_->clicked(id, world_.clock.ticks()); });
    };
  } else if (cls == "ListBox") {
    // The list box has moved its selection and tells the controller.
    w.onSelChange = [this, alive] {
      auto a = alive.lock();
      SimWindow* list = a && *a ? win(standin::kList) : nullptr;
      if (!list || !model_) return;
      const int sel = list->curSel;
      call([&] { model_->selectionChanged(sel); });
    };
  } else if (cls == "msctls_trackbar32") {
    w.trackMin = config.rangeMin;
    w.trackMax = config.rangeMax;
    w.trackPos = 0;
  }
  return w.handle;
}

void SimStandin::openDialog(standin::Dialog dialog, const WindowDesc& window,
                            const std::vector<WindowDesc>& children) {
  closeDialog(dialog);
  Hwnd h = createWindow(0, window);
  for (const auto& c : children) createWindow(h, c);
}

void SimStandin::closeDialog(standin::Dialog dialog) {
  const int dialogId = Controller::dialogWindow(dialog).id;
  Hwnd h = handleOf(dialogId);
  if (!h) return;
  world_.desktop->destroyWindow(h);
  std::vector<int> ids = {dialogId};
  for (const auto& c : Controller::dialogChildren(dialog, model_ ? model_->config() : config))
    ids.push_back(c.id);
  for (int id : ids) {
    handles_.erase(id);
    names_.erase(id);
    order_.erase(std::remove(order_.begin(), order_.end(), id), order_.end());
  }
}

std::string SimStandin::text(int id) {
  SimWindow* w = win(id);
  return w ? w->text : std::string();
}

void SimStandin::setText(int id, const std::string& text) {
  if (SimWindow* w = win(id)) w->text = text;
}

void SimStandin::setEnabled(int id, bool enabled) {
  if (SimWindow* w = win(id)) w->enabled = enabled;
}

void SimStandin::setItems(const std::vector<std::string>& items) {
  if (SimWindow* w = win(standin::kList)) w->resetItems(items);
}

int SimStandin::selection() {
  SimWindow* w = win(standin::kList);
  return w ? w->curSel : -1;
}

void SimStandin::setSelection(int index) {
  if (SimWindow* w = win(standin::kList)) w->setCurSel(index);
}

void SimStandin::setTrackbar(int position) {
  if (SimWindow* w = win(standin::kSlider)) w->trackPos = position;
}

bool SimStandin::folderExists(const std::string& windowsPath) {
  return world_.files.folderExists(windowsPath);
}

std::optional<std::uint64_t> SimStandin::fileSize(const std::string& windowsPath) {
  try {
    if (!world_.files.fileExists(windowsPath)) return std::nullopt;
    return static_cast<std::uint64_t>(world_.files.fileSize(windowsPath));
  } catch (const RunError&) {
    return std::nullopt;
  }
}

bool SimStandin::resizeFile(const std::string& windowsPath, std::uint64_t bytes) {
  try {
    fs::path host = world_.files.hostPath(windowsPath);
    std::error_code ec;
    if (!fs::is_directory(host.parent_path(), ec)) return false;
    if (!fs::exists(host, ec)) std::ofstream(host, std::ios::binary).flush();
    // Sparse: the recording's bytes are never read, only the length counts.
    fs::resize_file(host, bytes, ec);
    return !ec;
  } catch (const RunError&) {
    return false;
  }
}

void SimStandin::hang() {
  setHung(true);
}

void SimStandin::exit() {
  exitRequested_ = true;
  if (depth_ == 0) teardown();
}

void SimStandin::note(const std::string& line) {
  world_.sink("controller: " + line);
}

}  // namespace varnolt::sim
