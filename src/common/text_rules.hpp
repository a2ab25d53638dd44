// Runtime helpers that reproduce the conversions and error numbers the program's
// stored files and messages depend on (16-bit integers, True/False words, handle text).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace varnolt {

// A run-time error with the number and description a user sees in messages.
class RunError : public std::runtime_error {
 public:
  RunError(int number, std::string description);
  explicit RunError(int number);
  int number() const { return number_; }
  const std::string& description() const { return description_; }

 private:
  int number_;
  std::string description_;
};

// Description of a run-time error number as the Japanese runtime words it.
std::string errorDescription(int number);

// The report of a run-time error caught by one of the long procedures: the label
// ("cmd2,", "m2t_start,", ...), the number, the step reached (0 where none is counted),
// the description and the request to tell the developer, on two lines.
std::string runtimeErrorReport(std::string_view label, const RunError& error, int step);

namespace run_error {

inline constexpr int kOverflow = 6;
inline constexpr int kTypeMismatch = 13;
inline constexpr int kInvalidCall = 5;
inline constexpr int kBadFileName = 52;
inline constexpr int kFileNotFound = 53;
inline constexpr int kDiskFull = 61;
inline constexpr int kPermissionDenied = 70;
inline constexpr int kDiskNotReady = 71;
inline constexpr int kPathFileAccess = 75;
inline constexpr int kPathNotFound = 76;
inline constexpr int kInvalidProperty = 380;
// A list item index outside the list (list view and similar controls).
inline constexpr int kIndexOutOfBounds = 35600;

}  // namespace run_error

namespace text_rules {

// Text to number the way the runtime's implicit conversion does: surrounding spaces,
// sign, decimals, exponent and &H/&O prefixes; throws 13 on anything else.
double toDouble(std::string_view text);
// The runtime's rounding (integer conversions, a slider's ticks): halves to even.
double roundHalfEven(double value);
// Integer conversions with banker's rounding; throw 6 when out of range.
std::int16_t toInt16(std::string_view text);
std::int32_t toInt32(std::string_view text);
std::int16_t toInt16(double value);
// True/False words (any case) or a number; throws 13 otherwise.
bool toBool(std::string_view text);
inline const char* boolWord(bool value) {
  return value ? "True" : "False";
}

// Plain decimal text of a number with at most 15 significant digits, no grouping.
std::string numberText(double value);

// Splits like the runtime's Split: every delimiter splits, empty fields kept.
std::vector<std::string> split(std::string_view text, std::string_view delimiter);
std::string replaceAll(std::string_view text, std::string_view from, std::string_view to);
std::string trimSpaces(std::string_view text);
// Splits text into lines at CR LF, a lone CR or a lone LF; a final line end does not
// start another line.
std::vector<std::string> textLines(std::string_view text);

}  // namespace text_rules

// A window handle as the program stores it: 8 upper-case hex digits.
using Hwnd = std::uint32_t;
std::string handleText(Hwnd handle);
// Reads handle text back as a signed 32-bit value, as "&H" + text would be read;
// throws 13 for text that is not hexadecimal (an empty entry among them).
Hwnd parseHandleText(std::string_view text);

}  // namespace varnolt
