// One Varnolt per program folder on Windows: a named mutex held for the program's
// lifetime, the main window marked with the same name, and a second start handing its
// command line to the marked window by WM_COPYDATA.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/win32/win_util.hpp"

namespace varnolt::gui {

// Posted by the main window to itself: a second start's arguments wait to be handled
// outside the sender's call.
inline constexpr UINT kMsgSecondStart = WM_APP + 0x51;

class SingleInstance {
 public:
  explicit SingleInstance(const std::string& appPath);
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;
  ~SingleInstance();

  // No other Varnolt of this folder runs.
  bool first() const { return first_; }
  // Brings the running Varnolt of this folder to the front and hands it `args`; false
  // when its window could not be reached.
  bool handOver(const std::vector<std::string>& args) const;
  // Marks the main window as this folder's running Varnolt.
  void mark(HWND main);

 private:
  std::wstring name_;
  win32::UniqueHandle mutex_;
  bool first_ = true;
  HWND marked_ = nullptr;
};

// A second start's arguments carried by WM_COPYDATA; nullopt for other data.
std::optional<std::vector<std::string>> secondStartArgs(LPARAM copyData);

// Closes a message box that the thread's window `owner` has open (the end box of a
// night), as its OK button does.
void closeOwnedMessageBox(HWND owner);

// The program's arguments, its own path left out.
std::vector<std::string> commandArguments();

}  // namespace varnolt::gui
