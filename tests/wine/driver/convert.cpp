// The stream conversion through Varnolt's own windows: .m2t files dropped on the conversion
// list and converted through the stand-in RokuCtrl.exe with the sources deleted; the path
// entry dialog by mouse and keys; the folder browser confirming only file-system folders.
#include "groups.hpp"
#include "xdo.hpp"

#include <commctrl.h>

namespace winetest {

namespace {

const std::wstring kDeleted = L"サイズ比較クリアにつき元ファイルは削除されました";

void dropAndConvert(const Env& env) {
  say("# two files dropped on the conversion list and converted");
  const std::wstring standIn =
      installStandIn(joinPath(env.work, L"変換ロクラク"), env.rokuCtrl, "job 3000\r\n");
  const std::wstring source = joinPath(env.work, L"録画");
  ::CreateDirectoryW(source.c_str(), nullptr);
  // Two sources that the stand-in copies to .mpg files, and a .M2T file that is refused.
  const std::pair<std::wstring, int> files[] = {{joinPath(source, L"ニュース.m2t"), 1000},
                                                {joinPath(source, L"ドラマ 第1話.m2t"), 3000}};
  auto mpgOf = [](const std::wstring& path) { return path.substr(0, path.size() - 4) + L".mpg"; };
  for (const auto& [path, bytes] : files) {
    writeFile(path, std::string(bytes, 'm'));
    ::DeleteFileW(mpgOf(path).c_str());
  }
  const std::wstring &first = files[0].first, &second = files[1].first;
  const std::wstring refused = joinPath(source, L"大文字.M2T");
  writeFile(refused, "refused");
  closeStandIns();
  Varnolt v(installVarnolt(env, L"変換試験", designSettings(standIn)));
  if (!v.opened("Varnolt opens")) return;
  v.selectTab(2);
  HWND list = conversionList(v);
  HWND start = v.child(L"Button", kConvertButton);
  HWND stop = v.child(L"Button", L"中　止");
  HWND deleteSource = v.child(L"Button", kCheck2);
  check(list && start && stop && deleteSource,
        "the conversion tab has its list, Command9, Command6 and Check2");
  if (!list || !start || !stop || !deleteSource) return;

  check(sendFileDrop(list, {first, refused, second, first}), "the drop reaches the list");
  check(listCount(list) == 2, "two rows: the .M2T file and the repeated path are skipped",
        std::to_string(listCount(list)));
  check(listText(list, 0, 0) == L"1" && listText(list, 1, 0) == L"2", "the rows are numbered");
  check(listText(list, 0, 1) == L"未作業" && listText(list, 0, 2) == L"ニュース" &&
            listText(list, 0, 3) == first && listText(list, 0, 4) == source &&
            listText(list, 0, 5) == source,
        "row 1 holds status, base name, path, folder and output folder",
        utf8(listText(list, 0, 2)) + "|" + utf8(listText(list, 0, 3)));
  check(listText(list, 1, 2) == L"ドラマ 第1話", "row 2 has the base name of the second file");
  check(listChecked(list, 0) && listChecked(list, 1), "both rows are checked");
  check(!::IsWindowEnabled(start), "the start button waits for the controller");

  HWND read = v.child(L"Button", kListButton);
  ::PostMessageW(v.child(L"Button", kStartButton), BM_CLICK, 0, 0);
  check(waitFor([&] { return read && ::IsWindowEnabled(read); }, 20000), "the controller is up");
  check(::IsWindowEnabled(start), "the launch enables the start button");
  sendTimed(deleteSource, BM_CLICK);
  check(buttonChecked(deleteSource), "Check2 is on");
  const auto clicked = std::chrono::steady_clock::now();
  ::PostMessageW(start, BM_CLICK, 0, 0);
  check(waitFor([&] { return !::IsWindowEnabled(start) && ::IsWindowEnabled(stop); }, 5000),
        "a run disables Command9 and enables Command6");
  HWND done = v.messageBox(60000);
  const double ms = msSince(clicked);
  check(done && boxMessage(done) == kAllDone, "the run ends with \"全ての作業が終了しました\"",
        done ? shown(boxMessage(done)) : "no message");
  if (done) answer(done, IDOK);
  say("# two-file conversion, click to the end message: " + std::to_string(static_cast<int>(ms)) +
      " ms (the controller works 3000 ms a file)");

  for (const auto& [path, bytes] : files) {
    const std::wstring mpg = mpgOf(path);
    check(fileSize(mpg) == bytes, "the controller wrote " + utf8(mpg),
          std::to_string(fileSize(mpg)) + " bytes");
    check(!exists(path), "the source " + utf8(path) + " is deleted");
  }
  check(exists(refused), "the refused file is untouched");
  check(listText(list, 0, 1) == kDeleted && listText(list, 1, 1) == kDeleted,
        "both rows read \"" + utf8(kDeleted) + "\"", utf8(listText(list, 0, 1)));
  check(::IsWindowEnabled(start) && !::IsWindowEnabled(stop),
        "after the run Command9 is enabled, Command6 disabled");
  const std::wstring log = textOf(v.logBox());
  check(log.find(L"1を変換開始しました") != std::wstring::npos &&
            log.find(L"2を変換開始しました") != std::wstring::npos,
        "the log has both starts");
  int passes = 0;
  for (auto at = log.find(kDeleted); at != std::wstring::npos; at = log.find(kDeleted, at + 1))
    ++passes;
  check(passes == 2, "the log has both size checks", std::to_string(passes));
  closeStandIns();

  // Row 2's output folder through "変換先変更", the steps checked by openPathDialog.
  say("# the conversion list's menu and the path entry dialog, by mouse and keys");
  Xdo xdo;
  if (!xdo.run({"version"})) {
    check(false, "xdotool is reachable");
    return;
  }
  const std::wstring before = listText(list, 0, 5);
  HWND dialog = openPathDialog(xdo, v, list, 1, true);
  if (!dialog) return;
  HWND cancel = findChild(dialog, L"Button", L"キャンセル");
  HWND ok = findChild(dialog, L"Button", L"O  K");
  HWND edit = findChild(dialog, L"Edit", L"");
  check(cancel && ok && edit && findChild(dialog, L"Button", L"参照"),
        "the dialog has its text box and three buttons");
  check(cancel && waitFor([&] { return focusOf(dialog) == cancel; }, 10000),
        "キャンセル has the focus");
  check(waitFor([&] { return !::IsWindowEnabled(v.main); }, 10000),
        "the main window waits for the dialog");
  if (!edit || !ok) return;
  xdo.click(edit);
  xdo.type("C:\\winetest\\out\\");
  check(waitFor([&] { return textOf(edit) == L"C:\\winetest\\out\\"; }, 10000),
        "the typed path is in the box", utf8(textOf(edit)));
  xdo.click(ok);
  check(waitFor([&] { return !::IsWindow(dialog); }, 5000), "O  K closes the dialog");
  check(waitFor([&] { return listText(list, 1, 5) == L"C:\\winetest\\out"; }, 10000),
        "row 2 takes the folder without the backslash", utf8(listText(list, 1, 5)));
  check(listText(list, 0, 5) == before, "row 1 keeps its folder");
}

// "My Computer" is the one desktop child Wine gives no file-system path: OK is disabled there.
void browserConfirmsOnlyFolders(const Env& env) {
  say("# the folder browser confirms only file-system folders");
  Varnolt v(installVarnolt(env, L"参照試験", designSettings()));
  if (!v.main) return;
  v.selectTab(4);
  HWND pick = v.child(L"Button", L"パス取得");
  check(pick != nullptr, "the settings tab has パス取得");
  if (!pick) return;
  ::PostMessageW(pick, BM_CLICK, 0, 0);
  HWND dialog = v.folderBrowser(10000);
  HWND tree = dialog ? findChild(dialog, L"SysTreeView32", L"") : nullptr;
  HWND ok = dialog ? ::GetDlgItem(dialog, IDOK) : nullptr;
  check(tree && ok, "the folder browser opens");
  if (!tree || !ok) return;
  auto okOn = [&](LRESULT item) {
    sendTimed(tree, TVM_SELECTITEM, TVGN_CARET, item);
    ::Sleep(200);
    return ::IsWindowEnabled(ok) != FALSE;
  };
  const auto root = sendTimed(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
  int seen = 0, disabled = 0;
  for (auto item = sendTimed(tree, TVM_GETNEXTITEM, TVGN_CHILD, root); item;
       item = sendTimed(tree, TVM_GETNEXTITEM, TVGN_NEXT, item), ++seen)
    disabled += !okOn(item);
  check(seen > 0 && disabled > 0, "OK is disabled on a virtual folder of the desktop",
        std::to_string(disabled) + " of " + std::to_string(seen));
  check(okOn(root), "OK is enabled on the desktop folder itself");
  ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  waitFor([&] { return !::IsWindow(dialog); }, 3000);
}

}  // namespace

void conversionTests(const Env& env) {
  dropAndConvert(env);
  browserConfirmsOnlyFolders(env);
}

}  // namespace winetest
