// A window of its own (a modal dialog) made of control models.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "controls/controls.hpp"

namespace varnolt::controls {

class ModalForm {
 public:
  ModalForm(std::string name, std::string caption)
      : caption(std::move(caption)), name_(std::move(name)) {}
  virtual ~ModalForm() = default;
  ModalForm(const ModalForm&) = delete;
  ModalForm& operator=(const ModalForm&) = delete;

  const std::string& name() const { return name_; }
  std::string caption;
  // Client size in twips.
  int width = 0, height = 0;
  // The dialog's own window as the system knows it, set while it is shown on screen.
  std::function<std::uint32_t()> hWnd;
  // Enter presses the default button unless the focus is on another button; Esc presses
  // the cancel button, or without one closes the dialog as its close box does.
  Button* defaultButton = nullptr;
  Button* cancelButton = nullptr;

  // Runs once when the dialog is shown.
  virtual void Form_Load() {}
  // Unloads the dialog; the modal loop that shows it returns.
  void close() { closed_ = true; }
  bool closed() const { return closed_; }

  Control* find(std::string_view name) { return controls_.find(name); }
  const std::vector<Control*>& all() const { return controls_.all(); }

 protected:
  void add(Control& c) { controls_.add(c); }

 private:
  std::string name_;
  bool closed_ = false;
  ControlList controls_;
};

}  // namespace varnolt::controls
