// What a night leaves the user to see, in Varnolt's real windows against the stand-in
// RokuCtrl.exe: Check3 after a restart with the delete switch stored, and Check1 clicked
// off with the mouse; a night whose download folder is on a missing drive ending with
// the warning box of "何もしない"; the file of a transfer cut by a vanished controller.
#include "groups.hpp"
#include "night.hpp"
#include "xdo.hpp"

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace winetest {

namespace {

// ---------------------------------------------------------------- the delete switch

void storedDeleteSwitch(const Env& env, Xdo& xdo) {
  say("# a start with Check1 and Check2 stored on, then Check1 clicked off with the mouse");
  const std::wstring folder = prepareNight(env, L"削除スイッチ", 5, 4000, false, true, {}, true);
  Varnolt v(folder);
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

// ---------------------------------------------------------------- the warning box

// A bitmap to draw into and read back.
class Canvas {
 public:
  Canvas(int width, int height) : width_(width), height_(height) {
    HDC screen = ::GetDC(nullptr);
    dc_ = ::CreateCompatibleDC(screen);
    bitmap_ = ::CreateCompatibleBitmap(screen, width, height);
    ::ReleaseDC(nullptr, screen);
    old_ = ::SelectObject(dc_, bitmap_);
  }
  ~Canvas() {
    ::SelectObject(dc_, old_);
    ::DeleteObject(bitmap_);
    ::DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return dc_; }
  // Pixels whose colours differ by more than a rounding step.
  int differences(const Canvas& other) const {
    int n = 0;
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) {
        const COLORREF a = ::GetPixel(dc_, x, y), b = ::GetPixel(other.dc_, x, y);
        if (std::abs(GetRValue(a) - GetRValue(b)) > 8 ||
            std::abs(GetGValue(a) - GetGValue(b)) > 8 || std::abs(GetBValue(a) - GetBValue(b)) > 8)
          ++n;
      }
    return n;
  }

 private:
  int width_, height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

// The message box's icon control on the screen against the system icon `icon` drawn here
// the way a static control draws one: its own background, then the icon over the
// control. The number of pixels that differ, or -1 when the box shows no icon.
int iconDifference(HWND box, LPCWSTR icon) {
  HWND control = nullptr;
  for (HWND h : children(box))
    if (classOf(h) == L"Static" && ::IsWindowVisible(h) &&
        (::GetWindowLongW(h, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
      control = h;
  if (!control) return -1;
  const RECT r = rectOf(control);
  const int w = widthOf(r), h = heightOf(r);
  if (w <= 0 || h <= 0) return -1;
  Canvas shown(w, h), drawn(w, h);
  HDC screen = ::GetDC(nullptr);
  ::BitBlt(shown.dc(), 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  ::ReleaseDC(nullptr, screen);
  // The corner of a standard icon is transparent: the control's background shows there.
  HBRUSH background = ::CreateSolidBrush(::GetPixel(shown.dc(), 0, 0));
  const RECT all{0, 0, w, h};
  ::FillRect(drawn.dc(), &all, background);
  ::DeleteObject(background);
  ::DrawIconEx(drawn.dc(), 0, 0, ::LoadIconW(nullptr, icon), w, h, 0, nullptr, DI_NORMAL);
  return shown.differences(drawn);
}

void missingDriveNight(const Env& env) {
  say("# a night whose download folder is on a missing drive, ending with \"何もしない\"");
  wchar_t letter = L'Q';
  while (letter < L'Z' &&
         ::GetDriveTypeW((std::wstring(1, letter) + L":\\").c_str()) != DRIVE_NO_ROOT_DIR)
    ++letter;
  const std::wstring target = std::wstring(1, letter) + L":\\録画";
  const std::wstring folder = prepareNight(env, L"欠けたドライブ", 5, 4000, true, false, target);
  Varnolt v(folder);
  if (!v.opened("Varnolt starts with the download folder " + utf8(target))) return;
  HWND list = startAndRead(v, 5);
  const bool rows = list && checkRow(list, 1) && checkRow(list, 2);
  check(rows, "the list is read and rows 1 and 2 are checked");
  if (!rows || !startDownload(v)) return;

  HWND box = v.messageBox(60000);
  const std::wstring text = box ? boxMessage(box) : L"";
  check(
      box && text ==
                 L"全ての作業が終了しましたが、2件の作業に失敗しました。詳しくはログをご覧ください",
      "the night ends with the box \"全ての作業が終了しましたが、2件の作業に失敗しました。"
      "詳しくはログをご覧ください\"",
      box ? shown(text) : "no message box");
  if (!box) return;
  // The icon is drawn once the box is painted.
  int difference = -1;
  waitFor(
      [&] {
        difference = iconDifference(box, IDI_EXCLAMATION);
        return difference == 0;
      },
      10000);
  check(difference == 0, "the box shows the warning icon",
        difference < 0 ? "no icon" : std::to_string(difference) + " pixels differ");
  answer(box, IDOK);

  const auto logged = logMessages(textOf(v.logBox()));
  const std::wstring want[] = {L"保存先フォルダ「" + target + L"」を作成できませんでした（1行目：" +
                                   kRecordings[0].title + L"）",
                               L"保存先フォルダ「" + target + L"」を作成できませんでした（2行目：" +
                                   kRecordings[1].title + L"）",
                               std::wstring(L"作業結果：ダウンロード 0件、変換 0件、失敗 2件（") +
                                   kRecordings[0].title + L"、" + kRecordings[1].title + L"）"};
  for (const auto& line : want)
    check(std::find(logged.begin(), logged.end(), line) != logged.end(),
          "the log says \"" + utf8(line) + "\"");
}

// ---------------------------------------------------------------- the cut transfer

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

void vanishedMidTransfer(const Env& env) {
  say("# the controller closed in the middle of a transfer");
  // Two minutes for the transfer: it is under way for as long as the test needs.
  const std::wstring folder = prepareNight(env, L"途切れた転送", 5, 120000, false, false);
  const std::wstring rec = joinPath(folder, L"録画");
  Varnolt v(folder);
  if (!v.opened("Varnolt starts for the cut transfer")) return;
  HWND list = startAndRead(v, 1);
  const bool row = list && checkRow(list, 1);
  check(row, "the one recording is read and checked");
  if (!row || !startDownload(v)) return;

  std::wstring name;
  const bool writing = waitFor(
      [&] {
        const auto files = m2tFiles(rec);
        if (files.size() != 1) return false;
        name = files[0];
        return fileSize(joinPath(rec, name)) > 0;
      },
      60000);
  check(writing, "the transfer writes " + utf8(name));
  if (!writing) return;
  closeStandIns();
  // With the controller gone nothing changes the bytes, under whichever name they are.
  std::int64_t cut = -1;
  waitFor(
      [&] {
        const auto files = m2tFiles(rec);
        cut = files.size() == 1 ? fileSize(joinPath(rec, files[0])) : -1;
        return cut >= 0;
      },
      10000);
  const std::wstring renamed = name.substr(0, name.size() - 4) + L"（未完了）.m2t";
  std::vector<std::wstring> files;
  const bool moved = waitFor(
      [&] {
        files = m2tFiles(rec);
        return files.size() == 1 && files[0] == renamed;
      },
      60000);
  std::wstring listing;
  for (const auto& f : files) listing += f + L"; ";
  check(moved, "the cut file is renamed \"" + utf8(renamed) + "\" and its own name is gone",
        utf8(listing));
  const std::int64_t size = fileSize(joinPath(rec, renamed));
  const std::int64_t full = std::int64_t{kRecordings[0].megabytes} * 1048576;
  check(moved && size == cut && size > 0 && size < full,
        "the renamed file keeps the bytes the cut transfer wrote",
        std::to_string(size) + " of " + std::to_string(full) + " bytes, " + std::to_string(cut) +
            " at the cut");
}

}  // namespace

void nightMendTests(const Env& env) {
  Xdo xdo;
  check(xdo.available() && xdo.run({"version"}), "xdotool answers through the input folder");
  closeStandIns();
  storedDeleteSwitch(env, xdo);
  missingDriveNight(env);
  closeStandIns();
  vanishedMidTransfer(env);
  closeStandIns();
}

}  // namespace winetest
