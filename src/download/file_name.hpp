// File names for downloads: a recording's title made safe to be a file name, and the
// first free name in a folder.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace varnolt {

// The title as a file name (UTF-8): each of \ / : * ? " < > | becomes its full-width
// form, control characters are dropped, and a reserved device name (CON, NUL, COM1...)
// gets "_" after it. A title without such characters comes back unchanged.
std::string fileNameOfTitle(std::string_view title);

// "" for n = 0, else "_" and n written with at least two digits (_01, _99, _100).
std::string collisionSuffix(int n);

// The first stem + suffix for which `taken` answers false, trying suffixes in order.
std::string freeStem(const std::string& stem, const std::function<bool(const std::string&)>& taken);

}  // namespace varnolt
