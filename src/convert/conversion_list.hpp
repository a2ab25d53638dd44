// Rows of the conversion list ListView10 and the rules every way of adding shares.
#pragma once

#include <string>
#include <string_view>

#include "app/form1.hpp"

namespace varnolt {

// Columns of ListView10 (sub-item numbers).
namespace m2tcol {
inline constexpr std::size_t kStatus = 1, kBaseName = 2, kFullPath = 3, kParent = 4, kMpgParent = 5;
}

inline constexpr const char* kNotWorked = "未作業";

// A Windows path cut at its last backslash and its file name at its last dot.
struct SplitPath {
  std::string folder;     // before the last "\"
  std::string fileName;   // after the last "\"
  std::string baseName;   // file name before its last ".", the whole name without one
  std::string extension;  // after the last ".", empty without one
};
SplitPath splitPath(std::string_view path);

// The converted file of a row: column 5 + "\" + column 2 + ".mpg".
std::string mpgPathOf(const controls::ListView& list, std::size_t row);

// Numbers every row 1..n with leading zeros to the digits of n; checks every row when
// `checkAll` is set, keeps the check marks otherwise.
void renumberM2tList(controls::ListView& list, bool checkAll);

}  // namespace varnolt
