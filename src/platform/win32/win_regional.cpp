// The user's regional settings through the locale functions.
#include "platform/win32/win_platform.hpp"

namespace varnolt::win32 {

using platform::DateTime;

namespace {

SYSTEMTIME toSystemTime(const DateTime& t) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(t.year);
  st.wMonth = static_cast<WORD>(t.month);
  st.wDay = static_cast<WORD>(t.day);
  st.wDayOfWeek = static_cast<WORD>(t.weekday);
  st.wHour = static_cast<WORD>(t.hour);
  st.wMinute = static_cast<WORD>(t.minute);
  st.wSecond = static_cast<WORD>(t.second);
  st.wMilliseconds = static_cast<WORD>(t.millisecond);
  return st;
}

std::wstring localeInfo(LCTYPE type) {
  wchar_t buf[64] = {};
  ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buf, 64);
  return buf;
}

}  // namespace

std::string WinRegional::shortDate(const DateTime& t) {
  SYSTEMTIME st = toSystemTime(t);
  wchar_t buf[128];
  if (!::GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, 128, nullptr))
    return {};
  return narrow(buf);
}

std::string WinRegional::longTime(const DateTime& t) {
  SYSTEMTIME st = toSystemTime(t);
  wchar_t buf[128];
  if (!::GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &st, nullptr, buf, 128)) return {};
  return narrow(buf);
}

std::string WinRegional::formatPlainNumber(const std::string& plain, int decimals) {
  std::wstring decimal = localeInfo(LOCALE_SDECIMAL), thousand = localeInfo(LOCALE_STHOUSAND);
  NUMBERFMTW fmt{};
  fmt.NumDigits = static_cast<UINT>(decimals);
  fmt.LeadingZero = localeInfo(LOCALE_ILZERO) == L"0" ? 0 : 1;
  fmt.Grouping = 3;
  fmt.lpDecimalSep = decimal.data();
  fmt.lpThousandSep = thousand.data();
  fmt.NegativeOrder = static_cast<UINT>(_wtoi(localeInfo(LOCALE_INEGNUMBER).c_str()));
  wchar_t buf[128];
  std::wstring in = widen(plain);
  if (!::GetNumberFormatEx(LOCALE_NAME_USER_DEFAULT, 0, in.c_str(), &fmt, buf, 128)) return plain;
  return narrow(buf);
}

}  // namespace varnolt::win32
