#include "dialogs/get_folder_name.hpp"

namespace varnolt::GetFolderName {

std::string BrowseFolder(Form1& form, Hwnd owner, std::string_view title,
                         std::string_view startFolder) {
  // The shell dialog, its start-selection callback and the path conversion live in the
  // window backend; here the start folder is the answer until the user picks another.
  return form.ports.dialogs.browseFolder(owner, title, startFolder);
}

}  // namespace varnolt::GetFolderName
