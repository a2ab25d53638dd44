#include "common/text_rules.hpp"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace varnolt {

std::string errorDescription(int number) {
  switch (number) {
    case 5:
      return "プロシージャの呼び出し、または引数が不正です。";
    case 6:
      return "オーバーフローしました。";
    case 7:
      return "メモリが不足しています。";
    case 9:
      return "インデックスが有効範囲にありません。";
    case 11:
      return "0 で除算しました。";
    case 13:
      return "型が一致しません。";
    case 52:
      return "ファイル名または番号が不正です。";
    case 53:
      return "ファイルが見つかりません。";
    case 57:
      return "デバイス I/O エラーです。";
    case 58:
      return "既に同名のファイルが存在しています。";
    case 61:
      return "ディスクの空き容量が不足しています。";
    case 70:
      return "書き込みできません。";
    case 71:
      return "ディスクが準備されていません。";
    case 75:
      return "パス名が無効です。";
    case 76:
      return "パスが見つかりません。";
    case 91:
      return "オブジェクト変数または With ブロック変数が設定されていません。";
    case 380:
      return "プロパティの値が不正です。";
    case 35600:
      return "インデックスが範囲を超えています。";
    default:
      return "アプリケーション定義またはオブジェクト定義のエラーです。";
  }
}

RunError::RunError(int number, std::string description)
    : std::runtime_error(description), number_(number), description_(std::move(description)) {}

RunError::RunError(int number) : RunError(number, errorDescription(number)) {}

std::string runtimeErrorReport(std::string_view label, const RunError& error, int step) {
  std::string text(label);
  text += "でエラーが発生しましたNo.";
  text += std::to_string(error.number());
  text += "Line";
  text += std::to_string(step);
  text += error.description();
  text += "\r\n";
  text += "できれば、開発者へメール・HPの掲示板等へお知らせ下さい";
  return text;
}

namespace text_rules {
namespace {

bool isSpace(char c) {
  return c == ' ' || c == '\t';
}

[[noreturn]] void mismatch() {
  throw RunError(run_error::kTypeMismatch);
}

double parseRadix(std::string_view digits, int radix) {
  if (digits.empty() || digits.size() > 11) mismatch();
  std::uint64_t v = 0;
  for (char c : digits) {
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      mismatch();
    if (d >= radix) mismatch();
    v = v * static_cast<unsigned>(radix) + static_cast<unsigned>(d);
  }
  // &H literals of up to 4 digits are 16-bit, up to 8 are 32-bit, both signed.
  if (radix == 16 && digits.size() <= 4) return static_cast<std::int16_t>(v & 0xFFFF);
  if (v > 0xFFFFFFFFull) throw RunError(run_error::kOverflow);
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
}

}  // namespace

double roundHalfEven(double value) {
  return std::nearbyint(value);  // the default rounding mode, which the program never changes
}

double toDouble(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && isSpace(text[b])) ++b;
  while (e > b && isSpace(text[e - 1])) --e;
  std::string_view t = text.substr(b, e - b);
  if (t.empty()) mismatch();
  if (t.size() > 2 && t[0] == '&' && (t[1] == 'H' || t[1] == 'h'))
    return parseRadix(t.substr(2), 16);
  if (t.size() > 2 && t[0] == '&' && (t[1] == 'O' || t[1] == 'o'))
    return parseRadix(t.substr(2), 8);
  // Only a plain decimal form is a number; strtod alone would also take "inf" or "0x1".
  std::size_t i = 0;
  if (t[i] == '+' || t[i] == '-') ++i;
  std::size_t digits = 0;
  while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i, ++digits;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i, ++digits;
  }
  if (digits == 0) mismatch();
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    std::size_t ed = 0;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i, ++ed;
    if (ed == 0) mismatch();
  }
  if (i != t.size()) mismatch();
  std::string s(t);
  errno = 0;
  double v = std::strtod(s.c_str(), nullptr);
  if (errno == ERANGE && std::isinf(v)) throw RunError(run_error::kOverflow);
  return v;
}

std::int16_t toInt16(double value) {
  double r = roundHalfEven(value);
  if (!(r >= -32768.0 && r <= 32767.0)) throw RunError(run_error::kOverflow);
  return static_cast<std::int16_t>(r);
}

std::int16_t toInt16(std::string_view text) {
  return toInt16(toDouble(text));
}

std::int32_t toInt32(std::string_view text) {
  double r = roundHalfEven(toDouble(text));
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) throw RunError(run_error::kOverflow);
  return static_cast<std::int32_t>(r);
}

bool toBool(std::string_view text) {
  std::string t = trimSpaces(text);
  auto eq = [&](std::string_view w) {
    if (t.size() != w.size()) return false;
    for (std::size_t i = 0; i < t.size(); ++i)
      if (std::tolower(static_cast<unsigned char>(t[i])) != w[i]) return false;
    return true;
  };
  if (eq("true")) return true;
  if (eq("false")) return false;
  return toDouble(t) != 0.0;
}

std::string numberText(double value) {
  if (value == 0.0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15G", value);
  std::string s = buf;
  auto epos = s.find('E');
  std::string mant = epos == std::string::npos ? s : s.substr(0, epos);
  if (mant.find('.') != std::string::npos) {
    while (!mant.empty() && mant.back() == '0') mant.pop_back();
    if (!mant.empty() && mant.back() == '.') mant.pop_back();
  }
  if (epos == std::string::npos) return mant;
  int exp = std::atoi(s.c_str() + epos + 1);
  char eb[16];
  std::snprintf(eb, sizeof eb, "E%c%02d", exp < 0 ? '-' : '+', std::abs(exp));
  return mant + eb;
}

std::vector<std::string> split(std::string_view text, std::string_view delimiter) {
  std::vector<std::string> out;
  if (delimiter.empty()) {
    out.emplace_back(text);
    return out;
  }
  std::size_t start = 0;
  for (;;) {
    std::size_t p = text.find(delimiter, start);
    if (p == std::string_view::npos) {
      out.emplace_back(text.substr(start));
      return out;
    }
    out.emplace_back(text.substr(start, p - start));
    start = p + delimiter.size();
  }
}

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string out;
  std::size_t start = 0;
  for (;;) {
    std::size_t p = text.find(from, start);
    if (p == std::string_view::npos) break;
    out.append(text.substr(start, p - start));
    out.append(to);
    start = p + from.size();
  }
  out.append(text.substr(start));
  return out;
}

std::string trimSpaces(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && text[b] == ' ') ++b;
  while (e > b && text[e - 1] == ' ') --e;
  return std::string(text.substr(b, e - b));
}

std::vector<std::string> textLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t i = 0, start = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(text.substr(start, i - start));
      i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

}  // namespace text_rules

std::string handleText(Hwnd handle) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08X", static_cast<unsigned>(handle));
  return buf;
}

Hwnd parseHandleText(std::string_view text) {
  // Read as the literal "&H" + text, a signed 32-bit value.
  const double v = text_rules::toDouble("&H" + std::string(text));
  return static_cast<Hwnd>(static_cast<std::int32_t>(v));
}

}  // namespace varnolt
