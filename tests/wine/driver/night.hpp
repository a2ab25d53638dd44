// What the tests of nights share (night.cpp): a folder with Varnolt.exe, the stand-in and their
// settings; the controller started, its list read and rows checked; boxes and log.ini read.
#pragma once

#include "support.hpp"
#include "xdo.hpp"

#include <initializer_list>

namespace winetest {

struct Recording {
  const wchar_t* title;
  const wchar_t* file;  // the download's name: the title with "/" made "／"
  int megabytes;
  std::int64_t bytes() const { return std::int64_t{megabytes} * 1048576; }
};
// The stand-in's recordings: row k is kRecordings[k - 1].
inline const Recording kRecordings[] = {{L"ニュース/天気", L"ニュース／天気", 3},
                                        {L"ドラマ「夜」第3話", L"ドラマ「夜」第3話", 5},
                                        {L"ｱﾆﾒ 星の子", L"ｱﾆﾒ 星の子", 2},
                                        {L"映画 七人の侍", L"映画 七人の侍", 4},
                                        {L"天気予報", L"天気予報", 1}};

// A folder `name` in the work folder with Varnolt.exe, the stand-in (jobs of `jobMs`; all five
// recordings or the first alone) and default.ini; the download folder defaults to its 録画.
std::wstring prepareNight(const Env& env, const std::wstring& name, int choice, int jobMs,
                          bool allRows, bool convert, const std::wstring& downloadFolder = {},
                          bool deleteSources = false);
// Starts the controller and reads its list; the recording list, or nullptr.
HWND startAndRead(const Varnolt& v, int rows);
// startAndRead, then the rows `checked` checked; the list, or nullptr when a step failed.
HWND readAndCheck(const Varnolt& v, int rows, std::initializer_list<int> checked);
// Presses "ﾘｽﾄ選択してﾀﾞｳﾝ" once it is enabled; false when there is no such button.
bool startDownload(const Varnolt& v);
// Checks row `row` (1-based) from the keyboard; whether its box is checked.
bool checkRow(HWND list, int row);
// The messages of log.ini in `folder`, oldest first.
std::vector<std::wstring> nightLog(const std::wstring& folder);
// A check that the message box `box` says `text` and `also` holds; whether it passed.
bool checkBox(HWND box, const std::wstring& text, const std::string& name, bool also = true);
// Runs `steps` with no stand-in running before, between or after them.
void runNights(const Env& env, bool realInput,
               std::initializer_list<void (*)(const Env&, Xdo&)> steps);

}  // namespace winetest
