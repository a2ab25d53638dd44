#include "platform/sim/sim_desktop.hpp"

#include <algorithm>

namespace varnolt::sim {

namespace {

// Cut a UTF-8 text to at most `chars` characters.
std::string cutChars(const std::string& s, int chars) {
  if (chars <= 0) return {};
  int n = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
      if (n == chars) return s.substr(0, i);
      ++n;
    }
  }
  return s;
}

}  // namespace

int SimWindow::setCurSel(int index) {
  const int n = static_cast<int>(items.size());
  if (index == -1) {
    curSel = -1;
    return -1;
  }
  if (index < 0 || index >= n) return -1;
  caret = index;
  curSel = index;
  return index;
}

void SimWindow::resetItems(std::vector<std::string> list) {
  items = std::move(list);
  curSel = -1;
  caret = 0;
}

bool SimWindow::arrowKey(int vk) {
  const int n = static_cast<int>(items.size());
  if ((vk != 0x26 && vk != 0x28) || n == 0) return false;
  // At either end the key stays on the end item, and the program is told all the same.
  int target = vk == 0x26 ? std::max(caret - 1, 0) : std::min(caret + 1, n - 1);
  // With no item selected at the caret, the key selects the caret's item first.
  if (curSel != caret) target = caret;
  caret = target;
  curSel = target;
  return true;
}

SimDesktop::SimDesktop(SimClock& clock, platform::AnsiCodec& codec)
    : WindowSystem(codec), clock_(clock) {
  clock_.onAdvance([this](std::int64_t) { pumpPosted(); });
}

std::size_t SimDesktop::topLevelOf(std::uint32_t pid) const {
  std::size_t n = 0;
  for (Hwnd h : zOrder_) {
    auto it = windows_.find(h);
    if (it != windows_.end() && it->second->pid == pid) ++n;
  }
  return n;
}

void SimDesktop::pumpPosted() {
  while (!posted_.empty()) {
    auto f = std::move(posted_.front().second);
    posted_.pop_front();
    f();
  }
}

void SimDesktop::pumpPostedTo(std::uint32_t pid) {
  for (auto it = posted_.begin(); it != posted_.end();) {
    if (it->first != pid) {
      ++it;
      continue;
    }
    auto f = std::move(it->second);
    posted_.erase(it);
    f();
    // The handler may have posted or pumped meanwhile: start over.
    it = posted_.begin();
  }
}

SimProcess& SimDesktop::createProcess() {
  std::uint32_t pid = nextPid_;
  nextPid_ += 4;
  auto& p = processes_[pid];
  p.pid = pid;
  return p;
}

SimProcess* SimDesktop::process(std::uint32_t pid) {
  auto it = processes_.find(pid);
  return it == processes_.end() ? nullptr : &it->second;
}

void SimDesktop::killProcess(std::uint32_t pid) {
  std::vector<Hwnd> mine;
  for (auto& [h, w] : windows_)
    if (w->pid == pid && w->parent == 0) mine.push_back(h);
  for (Hwnd h : mine) destroyWindow(h);
  if (auto* p = process(pid)) {
    p->alive = false;
    p->queued.clear();
  }
}

SimWindow& SimDesktop::createWindow(std::uint32_t pid, Hwnd parent, std::string className,
                                    std::string text) {
  Hwnd h = nextHandle;
  nextHandle += 0x2E;
  auto w = std::make_unique<SimWindow>();
  w->handle = h;
  w->parent = parent;
  w->pid = pid;
  w->className = std::move(className);
  w->text = std::move(text);
  SimWindow& ref = *w;
  windows_[h] = std::move(w);
  if (parent == 0)
    zOrder_.insert(zOrder_.begin(), h);
  else if (auto* p = window(parent))
    p->children.push_back(h);
  return ref;
}

void SimDesktop::destroyWindow(Hwnd h) {
  auto it = windows_.find(h);
  if (it == windows_.end()) return;
  std::vector<Hwnd> kids = it->second->children;
  for (Hwnd k : kids) destroyWindow(k);
  if (auto* p = window(it->second->parent)) {
    auto& c = p->children;
    c.erase(std::remove(c.begin(), c.end(), h), c.end());
  }
  zOrder_.erase(std::remove(zOrder_.begin(), zOrder_.end(), h), zOrder_.end());
  windows_.erase(h);
}

SimWindow* SimDesktop::window(Hwnd h) {
  auto it = windows_.find(h);
  return it == windows_.end() ? nullptr : it->second.get();
}

SimWindow* SimDesktop::findTopLevel(const std::string& caption) {
  for (Hwnd h : zOrder_)
    if (auto* w = window(h); w && w->text == caption) return w;
  return nullptr;
}

SimWindow* SimDesktop::answering(Hwnd h) {
  SimWindow* w = window(h);
  if (!w) return nullptr;
  SimProcess* p = process(w->pid);
  if (p && (p->hung || !p->alive || p->elevated)) return nullptr;
  pumpPostedTo(w->pid);
  // The posted messages may have destroyed the window.
  return window(h);
}

std::vector<Hwnd> SimDesktop::topLevelWindows() {
  return zOrder_;
}

void SimDesktop::collectChildren(const SimWindow& w, std::vector<Hwnd>& out) {
  for (Hwnd c : w.children) {
    out.push_back(c);
    if (auto* cw = window(c)) collectChildren(*cw, out);
  }
}

std::vector<Hwnd> SimDesktop::childWindows(Hwnd parent) {
  std::vector<Hwnd> out;
  if (auto* w = window(parent)) collectChildren(*w, out);
  return out;
}

std::string SimDesktop::className(Hwnd h, int bufferChars) {
  auto* w = window(h);
  return w ? cutChars(w->className, bufferChars - 1) : std::string();
}

std::string SimDesktop::windowText(Hwnd h, int bufferChars) {
  // Like GetWindowText on another program's window: the caption the system keeps,
  // read without asking the program, so a hung program's captions still show.
  auto* w = window(h);
  if (!w) return {};
  return cutChars(w->text, bufferChars - 1);
}

std::optional<std::string> SimDesktop::wholeText(Hwnd h) {
  auto* w = answering(h);
  if (!w) return std::nullopt;
  return w->text;
}

bool SimDesktop::setText(Hwnd h, std::string_view text) {
  auto* w = answering(h);
  if (!w) return false;
  w->text = std::string(text);
  if (w->onSetText) w->onSetText(w->text);
  return true;
}

int SimDesktop::listBoxCount(Hwnd h) {
  auto* w = answering(h);
  return w ? static_cast<int>(w->items.size()) : 0;
}

std::string SimDesktop::listBoxText(Hwnd h, int index) {
  auto* w = answering(h);
  if (!w || index < 0 || index >= static_cast<int>(w->items.size())) return {};
  return w->items[static_cast<std::size_t>(index)];
}

int SimDesktop::listBoxSetCurSel(Hwnd h, int index) {
  auto* w = answering(h);
  if (!w) return -1;
  w->received.push_back("setcursel " + std::to_string(index));
  if (w->className != "ListBox") return 0;
  return w->setCurSel(index);
}

void SimDesktop::keyDown(Hwnd h, int virtualKey) {
  auto* w = answering(h);
  if (!w) return;
  w->received.push_back(virtualKey == 0x26   ? std::string("up")
                        : virtualKey == 0x28 ? std::string("down")
                                             : "key " + std::to_string(virtualKey));
  if (w->className != "ListBox") return;
  // A list box moves its selection with the arrow keys itself, then tells its program
  // (a copy of the handler: the program may destroy the window meanwhile).
  if (w->arrowKey(virtualKey) && w->onSelChange) std::function<void()>(w->onSelChange)();
}

void SimDesktop::activate(Hwnd h) {
  if (auto* w = answering(h); w && w->onActivate) w->onActivate();
}

bool SimDesktop::click(Hwnd h, platform::ClickMode mode, int timeoutMs) {
  SimWindow* w = window(h);
  if (!w) return false;
  SimProcess* p = process(w->pid);
  auto deliver = [this, h] {
    // A copy: the program may destroy the button (close its dialog) while handling it.
    if (auto* win = window(h); win && win->enabled && win->onClick)
      std::function<void()>(win->onClick)();
  };
  if (p && p->elevated) return false;
  if (mode == platform::ClickMode::Posted) {
    if (p && !p->alive) return false;
    if (p && p->hung)
      p->queued.push_back(deliver);
    else {
      // Handled by the other program when time moves or Varnolt pumps its own queue,
      // whichever comes first.
      posted_.emplace_back(w->pid, deliver);
      clock_.post([this] { pumpPosted(); });
    }
    return true;
  }
  if (p && (p->hung || !p->alive)) {
    // A sent message to a hung program waits; with SMTO_ABORTIFHUNG it gives up.
    if (mode == platform::ClickMode::SentWithTimeout) clock_.sleep(std::min(timeoutMs, 5000));
    return false;
  }
  // The click may destroy the button (an OK that closes its dialog): keep its process.
  const std::uint32_t pid = w->pid;
  const std::size_t windowsBefore = topLevelOf(pid);
  deliver();
  if (mode == platform::ClickMode::SentWithTimeout && topLevelOf(pid) > windowsBefore) {
    // The click opened a modal dialog: the program answers only when it closes, so the
    // sender waits out its limit.
    clock_.sleep(timeoutMs);
    return false;
  }
  return true;
}

int SimDesktop::trackbarPos(Hwnd h) {
  auto* w = answering(h);
  return w ? w->trackPos : 0;
}

int SimDesktop::trackbarMin(Hwnd h) {
  auto* w = answering(h);
  return w ? w->trackMin : 0;
}

int SimDesktop::trackbarMax(Hwnd h) {
  auto* w = answering(h);
  return w ? w->trackMax : 0;
}

bool SimDesktop::isEnabled(Hwnd h) {
  auto* w = window(h);
  return w && w->enabled;
}

bool SimDesktop::showWindow(Hwnd h, int command) {
  auto* w = window(h);
  if (!w) return false;
  w->showState = command;
  return true;
}

bool SimDesktop::refusesMessages(Hwnd h) {
  SimWindow* w = window(h);
  SimProcess* p = w ? process(w->pid) : nullptr;
  return p && p->elevated;
}

bool SimDesktop::setForeground(Hwnd h) {
  auto it = std::find(zOrder_.begin(), zOrder_.end(), h);
  if (it == zOrder_.end()) return false;
  zOrder_.erase(it);
  zOrder_.insert(zOrder_.begin(), h);
  return true;
}

}  // namespace varnolt::sim
