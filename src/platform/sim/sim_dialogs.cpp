// Scripted answers for message boxes and dialogs.
#include "platform/sim/sim_world.hpp"

#include <algorithm>

#include "common/text_rules.hpp"
#include "controls/form.hpp"

namespace varnolt::sim {

std::string escapeLine(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out;
}

namespace {

std::vector<int> buttonsOf(unsigned flags) {
  using namespace platform::mb;
  switch (flags & 0xF) {
    case kOkCancel:
      return {kIdOk, kIdCancel};
    case kAbortRetryIgnore:
      return {kIdAbort, kIdRetry, kIdIgnore};
    case kYesNoCancel:
      return {kIdYes, kIdNo, kIdCancel};
    case kYesNo:
      return {kIdYes, kIdNo};
    case kRetryCancel:
      return {kIdRetry, kIdCancel};
    default:
      return {kIdOk};
  }
}

}  // namespace

int SimDialogs::messageBox(std::string_view text, std::string_view title, unsigned flags) {
  sink_("msgbox " + std::to_string(flags) + "|" + std::string(title) + "|" + escapeLine(text));
  auto buttons = buttonsOf(flags);
  if (answers.empty()) return buttons.front();
  int a = answers.front();
  answers.pop_front();
  if (std::find(buttons.begin(), buttons.end(), a) == buttons.end())
    throw ScriptMismatch{"the queued answer is not a button of the message box \"" +
                         escapeLine(text) + "\""};
  return a;
}

std::optional<std::string> SimDialogs::openFile(const platform::OpenFileRequest& request) {
  sink_("openfile " + request.title + "|" + request.filter);
  if (openFileAnswers.empty()) return std::nullopt;
  auto a = openFileAnswers.front();
  openFileAnswers.pop_front();
  return a;
}

std::vector<std::string> SimDialogs::openFiles(const platform::OpenFileRequest& request) {
  sink_("openfiles " + request.title + "|" + request.filter);
  if (openFileAnswers.empty()) return {};
  auto a = openFileAnswers.front();
  openFileAnswers.pop_front();
  if (!a || a->empty()) return {};
  // A Windows path holds no '|'.
  return text_rules::split(*a, "|");
}

std::string SimDialogs::browseFolder(Hwnd, std::string_view title, std::string_view startFolder) {
  sink_("browse " + std::string(title) + "|" + std::string(startFolder));
  if (browses.empty()) return std::string(startFolder);
  auto a = browses.front();
  browses.pop_front();
  return a ? *a : std::string(startFolder);
}

void SimDialogs::showModal(controls::ModalForm& form) {
  sink_("modal " + form.name());
  form.Form_Load();
  if (modalLoop) modalLoop(form);
  sink_("endmodal " + form.name());
}

}  // namespace varnolt::sim
