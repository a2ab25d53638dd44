// File names for downloads: a recording's title made safe to be a file name, and the
// first free name in a folder.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace varnolt {

// The title as a file name (UTF-8): each of \ / : * ? " < > | becomes its full-width
// form, control characters are dropped, and a reserved device name (CON, NUL, COM1...)
// gets "_" after it. A title without such characters comes back unchanged.
std::string fileNameOfTitle(std::string_view title);

// "" for n = 0, else "_" and n written with at least two digits (_01, _99, _100).
std::string collisionSuffix(int n);

// The first stem + suffix for which `taken` answers false, trying suffixes in order.
std::string freeStem(const std::string& stem, const std::function<bool(const std::string&)>& taken);

// What Windows and the controller's dialogs take: a whole path of MAX_PATH less its NUL,
// counted in bytes of the ANSI code page, and a file name of 255 UTF-16 units.
inline constexpr std::size_t kMaxPathBytes = 259;
inline constexpr std::size_t kMaxNameUnits = 255;

// The name of a recording whose title gives none, from its date and time column in a
// fixed form: "録画_20261201_2100" for "2026/12/01 21:00"; "録画" without a date.
std::string nameOfUntitled(std::string_view recordedAt);

// A place the name must fit: folder + "\" + name + extension.
struct NamePlace {
  std::string folder;
  std::string extension;
};

// The longest head of `name` (whole characters, at least one) for which head + tail fits
// every place; `ansiBytes` counts a text's bytes in the ANSI code page.
std::string fitName(std::string_view name, std::string_view tail,
                    const std::vector<NamePlace>& places,
                    const std::function<std::size_t(std::string_view)>& ansiBytes);

// The first free name: `name` + `marker` + collisionSuffix(n) for n = 0, 1, ..., the name
// cut by fitName to fit `places`, taken while `exists` answers true for its path in any
// place.
std::string freeFittingName(std::string_view name, std::string_view marker,
                            const std::vector<NamePlace>& places,
                            const std::function<std::size_t(std::string_view)>& ansiBytes,
                            const std::function<bool(const std::string&)>& exists);

}  // namespace varnolt
