// Windows of the simulated desktop. Each window belongs to a process; a hung process
// answers no sent message (a sent message with a time limit then fails) and a posted
// message waits in its queue until the process answers again.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.hpp"
#include "platform/sim/sim_world.hpp"

namespace varnolt::sim {

struct SimProcess {
  std::uint32_t pid = 0;
  bool hung = false;
  bool alive = true;
  // Runs at a higher integrity level than Varnolt: every message sent or posted to its
  // windows is refused (result 0, last error 5); its windows can still be read.
  bool elevated = false;
  std::vector<std::function<void()>> queued;  // posted while hung
};

struct SimWindow {
  Hwnd handle = 0;
  Hwnd parent = 0;
  std::uint32_t pid = 0;
  std::string className;
  std::string text;
  bool enabled = true;
  int showState = 1;
  std::vector<Hwnd> children;
  // List box: items, selection and caret (focus item). The two move together except
  // where the real list box keeps them apart (LB_SETCURSEL -1, a reset).
  std::vector<std::string> items;
  int curSel = -1;
  int caret = 0;
  // LB_SETCURSEL as the list box handles it: an index outside the list changes
  // nothing and answers LB_ERR; -1 clears the selection only.
  int setCurSel(int index);
  // LB_RESETCONTENT followed by adding `list`.
  void resetItems(std::vector<std::string> list);
  // An arrow key: moves caret and selection; true when the list box tells its
  // program of a selection change (LBN_SELCHANGE).
  bool arrowKey(int vk);
  // LB_SETCURSEL and WM_KEYDOWN messages received from other programs, in order.
  std::vector<std::string> received;
  // Trackbar.
  int trackPos = 0, trackMin = 0, trackMax = 10;
  // Behaviour of the owning program.
  std::function<void()> onClick;
  // A list box notified its program of a selection change (LBN_SELCHANGE).
  std::function<void()> onSelChange;
  std::function<void()> onActivate;
  std::function<void(const std::string&)> onSetText;
};

class SimDesktop : public platform::WindowSystem {
 public:
  SimDesktop(SimClock& clock, platform::AnsiCodec& codec);

  SimProcess& createProcess();
  SimProcess* process(std::uint32_t pid);
  // Ends a process and destroys its windows.
  void killProcess(std::uint32_t pid);
  // Creates a window: top-level with parent 0, otherwise the last child of `parent`.
  // Top-level windows open on top of the Z-order.
  SimWindow& createWindow(std::uint32_t pid, Hwnd parent, std::string className, std::string text);
  void destroyWindow(Hwnd h);
  SimWindow* window(Hwnd h);
  // Finds a top-level window by exact caption.
  SimWindow* findTopLevel(const std::string& caption);

  // Next handles handed out; tests use it to get handles of every width.
  Hwnd nextHandle = 0x000200A4;

  std::vector<Hwnd> topLevelWindows() override;
  std::vector<Hwnd> childWindows(Hwnd parent) override;
  bool isWindow(Hwnd h) override { return window(h) != nullptr; }
  std::string className(Hwnd h, int bufferChars) override;
  std::string windowText(Hwnd h, int bufferChars) override;
  bool setText(Hwnd h, std::string_view text) override;
  int listBoxCount(Hwnd h) override;
  std::string listBoxText(Hwnd h, int index) override;
  int listBoxSetCurSel(Hwnd h, int index) override;
  void keyDown(Hwnd h, int virtualKey) override;
  void activate(Hwnd h) override;
  bool click(Hwnd h, platform::ClickMode mode, int timeoutMs) override;
  int trackbarPos(Hwnd h) override;
  int trackbarMin(Hwnd h) override;
  int trackbarMax(Hwnd h) override;
  bool isEnabled(Hwnd h) override;
  bool showWindow(Hwnd h, int command) override;
  bool setForeground(Hwnd h) override;
  bool refusesMessages(Hwnd h) override;

 protected:
  std::optional<std::string> wholeText(Hwnd h) override;

 private:
  // The window if its process answers a sent message now; nullptr otherwise.
  SimWindow* answering(Hwnd h);
  void collectChildren(const SimWindow& w, std::vector<Hwnd>& out);
  // Handles posted messages: other programs run on while Varnolt sleeps.
  void pumpPosted();
  // An idle program handles what was posted to it before it takes the next sent message.
  void pumpPostedTo(std::uint32_t pid);
  std::size_t topLevelOf(std::uint32_t pid) const;
  SimClock& clock_;
  // Posted messages with the process that handles them.
  std::deque<std::pair<std::uint32_t, std::function<void()>>> posted_;
  std::map<Hwnd, std::unique_ptr<SimWindow>> windows_;
  std::vector<Hwnd> zOrder_;  // top-level, topmost first
  std::map<std::uint32_t, SimProcess> processes_;
  std::uint32_t nextPid_ = 0x0A10;
};

}  // namespace varnolt::sim
