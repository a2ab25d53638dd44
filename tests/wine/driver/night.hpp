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

// A folder `work\name` with Varnolt.exe, the stand-in (each job lasting `jobMs`; all five
// recordings or the first alone) and default.ini: end-of-work choice `choice`, conversion
// after download when `convert`, the sources deleted after it when `deleteSources`, and
// the download folder `downloadFolder` (default: the folder's 録画).
std::wstring prepareNight(const std::wstring& work, const std::wstring& name,
                          const std::wstring& varnoltExe, const std::wstring& rokuCtrlExe,
                          int choice, int jobMs, bool allRows, bool convert,
                          const std::wstring& downloadFolder = {}, bool deleteSources = false);
// Starts the controller and reads its list; the recording list, or nullptr.
HWND startAndRead(const Varnolt& v, int rows);
// Presses "ﾘｽﾄ選択してﾀﾞｳﾝ" once it is enabled; false when there is no such button.
bool startDownload(const Varnolt& v);
// Checks row `row` (1-based) from the keyboard; whether its box is checked.
bool checkRow(HWND list, int row);

// The night's mends seen in the real windows (night_mends.cpp): Check3 after a restart
// with the delete switch stored, a failed night's warning box, the renamed file of a
// transfer cut by a vanished controller. `shots` gets restart-check3.bmp.
void nightMendTests(const std::wstring& varnoltExe, const std::wstring& rokuCtrlExe,
                    const std::wstring& work, const std::wstring& shots);

// An interrupted night continued (resume.cpp): a power cut and a kill of Varnolt.exe alone in
// the middle of a transfer, the question after the restart answered by a real click.
void resumeTests(const std::wstring& varnoltExe, const std::wstring& rokuCtrlExe,
                 const std::wstring& work);

}  // namespace winetest
