// The folder picker (module GetFolderName).
#pragma once

#include <string>
#include <string_view>

#include "app/form1.hpp"

namespace varnolt::GetFolderName {

// Shows the folder browser owned by `owner`, opened at `startFolder`. Returns the chosen
// folder, the start folder unchanged on cancel, "" when the choice has no file-system path.
std::string BrowseFolder(Form1& form, Hwnd owner, std::string_view title,
                         std::string_view startFolder);

}  // namespace varnolt::GetFolderName
