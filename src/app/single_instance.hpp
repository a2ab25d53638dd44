// One Varnolt per program folder: the name every start of the same folder shares, and
// the command line that asks for the automatic night.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace varnolt {

// "/auto" or "-auto" in any case, anywhere among the arguments (the program's own path
// not included).
bool isAutoCommandLine(const std::vector<std::string>& args);

// The name of the program folder's instance (a mutex, a window property): the folder's
// path, compared without case and without a trailing backslash, hashed so that any
// length and any character make a valid kernel object name.
std::string instanceName(std::string_view appPath);

}  // namespace varnolt
