// What the night tests share (night.cpp): a folder with Varnolt.exe, the stand-in
// RokuCtrl.exe and their settings, the controller started and its list read, rows checked.
#pragma once

#include "support.hpp"

#include <cstdint>
#include <string>

namespace winetest {

struct Recording {
  const wchar_t* title;
  int megabytes;
};
// The stand-in's recordings: row k is kRecordings[k - 1].
inline const Recording kRecordings[] = {{L"ニュース/天気", 3},
                                        {L"ドラマ「夜」第3話", 5},
                                        {L"ｱﾆﾒ 星の子", 2},
                                        {L"映画 七人の侍", 4},
                                        {L"天気予報", 1}};

// A folder `name` in the work folder with Varnolt.exe, the stand-in (each job lasting `jobMs`; all
// five recordings or the first alone) and default.ini: end-of-work choice `choice`, conversion
// after download when `convert`, the sources deleted after it when `deleteSources`, and
// the download folder `downloadFolder` (default: the folder's 録画).
std::wstring prepareNight(const Env& env, const std::wstring& name, int choice, int jobMs,
                          bool allRows, bool convert, const std::wstring& downloadFolder = {},
                          bool deleteSources = false);
// Starts the controller and reads its list; the recording list, or nullptr.
HWND startAndRead(const Varnolt& v, int rows);
// Presses "ﾘｽﾄ選択してﾀﾞｳﾝ" once it is enabled; false when there is no such button.
bool startDownload(const Varnolt& v);
// Checks row `row` (1-based) from the keyboard; whether its box is checked.
bool checkRow(HWND list, int row);

}  // namespace winetest
