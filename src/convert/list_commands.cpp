// Commands of the conversion list's pop-up menu, and the recording list's command that
// sets the .mpg folder of recordings before they are downloaded.
#include "convert/conversion_list.hpp"
#include "dialogs/form3.hpp"

namespace varnolt {

using controls::ListView;

namespace {

constexpr std::size_t kRecordingMpgColumn = 8;

// Asks for a folder with the path entry dialog; "" when nothing is to change.
std::string askFolder(Form1& form) {
  form.state.RanSavePalentPath.clear();
  Form3 dialog(form);
  form.ports.dialogs.showModal(dialog);
  return form.state.RanSavePalentPath;
}

void setSelected(ListView& list, std::size_t column, const std::string& value) {
  for (std::size_t r = 1; r <= list.count(); ++r)
    if (list.item(r).selected) list.setSubItem(r, column, value);
}

}  // namespace

void Form1::pulldown_m2tlist_all_No_check_Click() {
  for (std::size_t r = 1; r <= ListView10.count(); ++r) ListView10.setChecked(r, false);
}

void Form1::pulldown_m2tlist_all_check_Click() {
  for (std::size_t r = 1; r <= ListView10.count(); ++r) ListView10.setChecked(r, true);
}

void Form1::pulldown_m2tlist_SHOKI_Click() {
  setSelected(ListView10, m2tcol::kStatus, kNotWorked);
}

void Form1::pulldown_m2tlist_mpg_RePath_Click() {
  const std::string folder = askFolder(*this);
  if (!folder.empty()) setSelected(ListView10, m2tcol::kMpgParent, folder);
}

void Form1::pulldown_m2tlist_1ldel_Click() {
  if (ListView10.count() == 0) return;
  for (std::size_t r = ListView10.count(); r >= 1; --r)
    if (ListView10.item(r).selected) ListView10.remove(r);
  if (ListView10.count() > 0)
    renumberM2tList(ListView10, false);
  else
    Command9.setEnabled(false);
}

void Form1::pulldown_m2tlist_alldel_Click() {
  ListView10.clear();
  Command9.setEnabled(false);
}

void Form1::pulldown_download_mpgPalent_Click() {
  const std::string folder = askFolder(*this);
  if (!folder.empty()) setSelected(ListView1, kRecordingMpgColumn, folder);
}

}  // namespace varnolt
