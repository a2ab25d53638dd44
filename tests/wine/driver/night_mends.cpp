// What a night leaves the user to see in the real windows: Check3 after a restart, a night on a
// missing drive ending with a warning box, the file of a transfer cut by a vanished controller.
#include "groups.hpp"
#include "night.hpp"

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace winetest {

namespace {

void storedDeleteSwitch(const Env& env, Xdo& xdo) {
  say("# a start with Check1 and Check2 stored on, then Check1 clicked off with the mouse");
  Varnolt v(prepareNight(env, L"削除スイッチ", 5, 4000, false, true, {}, true));
  if (!v.opened("Varnolt starts with Check1 and Check2 stored on")) return;
  HWND check1 = v.child(L"Button", kCheck1);
  HWND check2 = v.child(L"Button", kCheck2);
  HWND check3 = v.child(L"Button", kCheck3);
  auto states = [&] {
    return "Check1 " + std::to_string(buttonChecked(check1)) + ", Check2 " +
           std::to_string(buttonChecked(check2)) + ", Check3 " +
           std::to_string(buttonChecked(check3));
  };
  const bool onAtStart = waitFor([&] { return buttonChecked(check3); }, 10000);
  check(onAtStart && buttonChecked(check1) && buttonChecked(check2) && ::IsWindowEnabled(check3),
        "Check3 on the download tab is shown checked and enabled", states());
  if (!env.shots.empty()) v.screenshot(joinPath(env.shots, L"restart-check3.bmp"));
  if (!xdo.available() || !check1) return;
  xdo.click(check1);
  const bool cleared =
      waitFor([&] { return !buttonChecked(check1) && !buttonChecked(check2); }, 10000);
  check(cleared && !buttonChecked(check3), "a mouse click on Check1 unchecks it and clears Check2",
        states());
}

// Pixels of the box's icon that differ by more than a rounding step from the system icon `icon`
// drawn on the control's background (a standard icon's corner is transparent); -1: no icon.
int iconDifference(HWND box, LPCWSTR icon) {
  HWND control = nullptr;
  for (HWND h : children(box))
    if (classOf(h) == L"Static" && ::IsWindowVisible(h) &&
        (::GetWindowLongW(h, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
      control = h;
  const Shot shot = control ? capture(control) : Shot{};
  if (shot.pixels.empty()) return -1;
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof bi.bmiHeader, shot.width, -shot.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC dc = ::CreateCompatibleDC(nullptr);
  HBITMAP bitmap = ::CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(dc, bitmap);
  const std::uint32_t corner = shot.pixels[0];
  HBRUSH background = ::CreateSolidBrush(RGB(corner >> 16 & 255, corner >> 8 & 255, corner & 255));
  const RECT all{0, 0, shot.width, shot.height};
  ::FillRect(dc, &all, background);
  ::DeleteObject(background);
  ::DrawIconEx(dc, 0, 0, ::LoadIconW(nullptr, icon), shot.width, shot.height, 0, nullptr,
               DI_NORMAL);
  ::GdiFlush();
  const auto* drawn = static_cast<const std::uint32_t*>(bits);
  int n = 0;
  for (std::size_t i = 0; drawn && i < shot.pixels.size(); ++i) {
    bool differs = false;
    for (int shift : {0, 8, 16})
      differs = differs || std::abs(static_cast<int>(shot.pixels[i] >> shift & 255) -
                                    static_cast<int>(drawn[i] >> shift & 255)) > 8;
    n += differs;
  }
  ::SelectObject(dc, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(dc);
  return drawn ? n : -1;
}

void missingDriveNight(const Env& env, Xdo&) {
  say("# a night whose download folder is on a missing drive, ending with \"何もしない\"");
  wchar_t letter = L'Q';
  while (letter < L'Z' &&
         ::GetDriveTypeW((std::wstring(1, letter) + L":\\").c_str()) != DRIVE_NO_ROOT_DIR)
    ++letter;
  const std::wstring target = std::wstring(1, letter) + L":\\録画";
  Varnolt v(prepareNight(env, L"欠けたドライブ", 5, 4000, true, false, target));
  if (!v.opened("Varnolt starts with the download folder " + utf8(target))) return;
  if (!check(readAndCheck(v, 5, {1, 2}), "the list is read and rows 1 and 2 are checked") ||
      !startDownload(v))
    return;
  HWND box = v.messageBox(60000);
  if (!checkBox(
          box, L"全ての作業が終了しましたが、2件の作業に失敗しました。詳しくはログをご覧ください",
          "the night ends with the box \"全ての作業が終了しましたが、2件の作業に失敗しました。"
          "詳しくはログをご覧ください\""))
    return;
  // The icon is drawn once the box is painted.
  int difference = -1;
  waitFor([&] { return (difference = iconDifference(box, IDI_EXCLAMATION)) == 0; }, 10000);
  check(difference == 0, "the box shows the warning icon",
        difference < 0 ? "no icon" : std::to_string(difference) + " pixels differ");
  answer(box, IDOK);
  const auto logged = logMessages(textOf(v.logBox()));
  const std::wstring first = kRecordings[0].title, second = kRecordings[1].title;
  for (const auto& line :
       {L"保存先フォルダ「" + target + L"」を作成できませんでした（1行目：" + first + L"）",
        L"保存先フォルダ「" + target + L"」を作成できませんでした（2行目：" + second + L"）",
        L"作業結果：ダウンロード 0件、変換 0件、失敗 2件（" + first + L"、" + second + L"）"})
    check(std::find(logged.begin(), logged.end(), line) != logged.end(),
          "the log says \"" + utf8(line) + "\"");
}

// The .m2t files in a folder.
std::vector<std::wstring> m2tFiles(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found{};
  HANDLE first = ::FindFirstFileW(joinPath(folder, L"*.m2t").c_str(), &found);
  if (first == INVALID_HANDLE_VALUE) return names;
  const std::unique_ptr<void, decltype(&::FindClose)> find(first, &::FindClose);
  do names.push_back(found.cFileName);
  while (::FindNextFileW(find.get(), &found));
  return names;
}

void vanishedMidTransfer(const Env& env, Xdo&) {
  say("# the controller closed in the middle of a transfer");
  // Two minutes for the transfer: it is under way for as long as the test needs.
  const std::wstring folder = prepareNight(env, L"途切れた転送", 5, 120000, false, false);
  const std::wstring rec = joinPath(folder, L"録画");
  Varnolt v(folder);
  if (!v.opened("Varnolt starts for the cut transfer")) return;
  if (!check(readAndCheck(v, 1, {1}), "the one recording is read and checked") || !startDownload(v))
    return;
  auto only = [&] {
    const auto files = m2tFiles(rec);
    return files.size() == 1 ? files[0] : std::wstring();
  };
  std::wstring name;
  const bool writing =
      waitFor([&] { return !(name = only()).empty() && fileSize(joinPath(rec, name)) > 0; }, 60000);
  if (!check(writing, "the transfer writes " + utf8(name))) return;
  closeStandIns();
  // With the controller gone nothing changes the bytes, under whichever name they are.
  std::int64_t cut = -1;
  waitFor(
      [&] {
        const std::wstring f = only();
        cut = f.empty() ? -1 : fileSize(joinPath(rec, f));
        return cut >= 0;
      },
      10000);
  const std::wstring renamed = name.substr(0, name.size() - 4) + L"（未完了）.m2t";
  const bool moved = waitFor([&] { return only() == renamed; }, 60000);
  std::wstring listing;
  for (const auto& f : m2tFiles(rec)) listing += f + L"; ";
  check(moved, "the cut file is renamed \"" + utf8(renamed) + "\" and its own name is gone",
        utf8(listing));
  const std::int64_t size = fileSize(joinPath(rec, renamed));
  const std::int64_t full = kRecordings[0].bytes();
  check(moved && size == cut && size > 0 && size < full,
        "the renamed file keeps the bytes the cut transfer wrote",
        std::to_string(size) + " of " + std::to_string(full) + " bytes, " + std::to_string(cut) +
            " at the cut");
}

}  // namespace

void nightMendTests(const Env& env) {
  runNights(env, true, {storedDeleteSwitch, missingDriveNight, vanishedMidTransfer});
}

}  // namespace winetest
