// The stream conversion through Varnolt's own windows: two .m2t files dropped on the
// conversion list, converted through the stand-in RokuCtrl.exe (directory dialog, open
// dialog, poll, size check) with the sources deleted; and the folder browser, which lets
// only file-system folders be confirmed.
// support.hpp brings windows.h, which the other system headers build on.
#include "support.hpp"
#include "xdo.hpp"

#include <commctrl.h>

#include <algorithm>

namespace vt {

HWND conversionList(const Varnolt& v) {
  for (HWND h : children(v.main)) {
    if (classOf(h) != L"SysListView32") continue;
    const auto ex = sendTimed(h, LVM_GETEXTENDEDLISTVIEWSTYLE);
    HWND header = reinterpret_cast<HWND>(sendTimed(h, LVM_GETHEADER));
    if ((ex & LVS_EX_CHECKBOXES) && header && sendTimed(header, HDM_GETITEMCOUNT) == 6) return h;
  }
  return nullptr;
}

namespace {

const std::wstring kStartButton = L"ﾛｸﾗｸｺﾝﾄﾛｰﾗ起動";
const std::wstring kListButton = L"リスト取得";
const std::wstring kConvertButton = L"PCで再生（ストリーム変換）";
const std::wstring kStopButton = L"中　止";
const std::wstring kDeleteSource = L"変換後、サイズ比較をクリアしたら元m2tファイルは削除する";
const std::wstring kDeleted = L"サイズ比較クリアにつき元ファイルは削除されました";
const std::wstring kAllDone = L"全ての作業が終了しました";
const std::wstring kTitle = L"ロクラクⅡ コントローラ";

// One xdotool request through the harness's server; what it leads to is waited for.
bool xdo(const std::vector<std::string>& args) {
  return Xdo().run(args);
}

bool xdoClick(const RECT& r, int button) {
  return xdo({"mousemove", std::to_string((r.left + r.right) / 2),
              std::to_string((r.top + r.bottom) / 2), "sleep", "0.2", "click",
              std::to_string(button)});
}

HWND focusOf(HWND main) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(main, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

// Closes every stand-in controller and waits for it to end.
void endControllers() {
  for (HWND h : topLevel()) {
    if (classOf(h) != L"RokuCtrlWindow" || !::IsWindowVisible(h)) continue;
    Handle p(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pidOf(h)));
    ::PostMessageW(h, WM_CLOSE, 0, 0);
    if (p && ::WaitForSingleObject(p.get(), 2000) != WAIT_OBJECT_0) {
      ::TerminateProcess(p.get(), 9);
      ::WaitForSingleObject(p.get(), 5000);
    }
  }
}

std::wstring makeFile(const std::wstring& path, DWORD bytes) {
  std::string data(bytes, 'm');
  writeFile(path, data);
  return path;
}

// A right click on row 2 opens the list's menu; "変換先変更" opens Form3 with the focus
// on "キャンセル"; the typed folder, less its trailing backslash, becomes row 2's output
// folder. Mouse and keys are real.
void changeFolderByMenu(const Varnolt& v, HWND list) {
  say("# the conversion list's menu and the path entry dialog, by mouse and keys");
  if (!xdo({"version"})) {
    check(false, "xdotool is reachable");
    return;
  }
  const std::wstring before = listText(list, 0, 5);
  const RECT row = listItemRect(list, 1);
  Xdo().bringToFront(v.main, (row.left + row.right) / 2, (row.top + row.bottom) / 2);
  check(xdoClick(row, 3), "a right click on row 2");
  HWND menu = nullptr;
  waitFor(
      [&] {
        menu = findTop(0, L"#32768", L"");
        return menu != nullptr;
      },
      5000);
  check(menu != nullptr, "the pop-up menu opens");
  // Down five times passes over "ファイルを追加..." and the separators to "変換先変更".
  xdo({"key", "--delay", "80", "Down", "Down", "Down", "Down", "Down", "Return"});
  HWND dialog = nullptr;
  waitFor(
      [&] {
        dialog = findTop(v.pid(), L"VarnoltDialog", L"変換先変更");
        return dialog != nullptr;
      },
      5000);
  check(dialog != nullptr, "\"変換先変更\" opens the path entry dialog");
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
  xdoClick(rectOf(edit), 1);
  xdo({"type", "--delay", "80", "C:\\vt\\out\\"});
  check(waitFor([&] { return textOf(edit) == L"C:\\vt\\out\\"; }, 10000),
        "the typed path is in the box", utf8(textOf(edit)));
  xdoClick(rectOf(ok), 1);
  check(waitFor([&] { return !::IsWindow(dialog); }, 5000), "O  K closes the dialog");
  check(waitFor([&] { return listText(list, 1, 5) == L"C:\\vt\\out"; }, 10000),
        "row 2 takes the folder without the backslash", utf8(listText(list, 1, 5)));
  check(listText(list, 0, 5) == before, "row 1 keeps its folder");
}

void dropAndConvert(const std::wstring& exe, const std::wstring& rokuCtrlExe,
                    const std::wstring& work) {
  say("# two files dropped on the conversion list and converted");
  ::CreateDirectoryW(work.c_str(), nullptr);
  const std::wstring standInFolder = joinPath(work, L"変換ロクラク");
  ::CreateDirectoryW(standInFolder.c_str(), nullptr);
  const std::wstring standIn = joinPath(standInFolder, L"RokuCtrl.exe");
  ::CopyFileW(rokuCtrlExe.c_str(), standIn.c_str(), FALSE);
  writeFile(joinPath(standInFolder, L"RokuCtrl.ini"), "job 3000\r\n");
  const std::wstring folder = joinPath(work, L"変換試験");
  ::CreateDirectoryW(folder.c_str(), nullptr);
  ::DeleteFileW(joinPath(folder, L"log.ini").c_str());
  ::CopyFileW(exe.c_str(), joinPath(folder, L"Varnolt.exe").c_str(), FALSE);
  writeFile(joinPath(folder, L"default.ini"), cp932(designSettings(standIn)));
  const std::wstring source = joinPath(work, L"録画");
  ::CreateDirectoryW(source.c_str(), nullptr);
  const std::wstring first = makeFile(joinPath(source, L"ニュース.m2t"), 1000);
  const std::wstring second = makeFile(joinPath(source, L"ドラマ 第1話.m2t"), 3000);
  const std::wstring refused = makeFile(joinPath(source, L"大文字.M2T"), 10);
  for (const auto* p : {&first, &second})
    ::DeleteFileW((p->substr(0, p->size() - 4) + L".mpg").c_str());

  endControllers();
  Varnolt v(joinPath(folder, L"Varnolt.exe"), folder);
  check(v.main != nullptr, "Varnolt opens");
  if (!v.main) return;
  v.selectTab(2);
  HWND list = conversionList(v);
  HWND start = v.child(L"Button", kConvertButton);
  HWND stop = v.child(L"Button", kStopButton);
  HWND deleteSource = v.child(L"Button", kDeleteSource);
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

  // The controller is started from Varnolt: the launch enables the start button.
  HWND launch = v.child(L"Button", kStartButton);
  HWND read = v.child(L"Button", kListButton);
  ::PostMessageW(launch, BM_CLICK, 0, 0);
  check(waitFor([&] { return read && ::IsWindowEnabled(read); }, 20000), "the controller is up");
  check(::IsWindowEnabled(start), "the launch enables the start button");

  sendTimed(deleteSource, BM_CLICK);
  check(sendTimed(deleteSource, BM_GETCHECK) == BST_CHECKED, "Check2 is on");
  const auto clicked = std::chrono::steady_clock::now();
  ::PostMessageW(start, BM_CLICK, 0, 0);
  check(waitFor([&] { return !::IsWindowEnabled(start) && ::IsWindowEnabled(stop); }, 5000),
        "a run disables Command9 and enables Command6");
  HWND done = nullptr;
  waitFor(
      [&] {
        done = findTop(v.pid(), L"#32770", L"");
        return done != nullptr;
      },
      60000);
  const double ms = msSince(clicked);
  check(done && boxMessage(done) == kAllDone, "the run ends with \"全ての作業が終了しました\"",
        done ? shown(boxMessage(done)) : "no message");
  if (done) answer(done, IDOK);
  say("# two-file conversion, click to the end message: " + std::to_string(static_cast<int>(ms)) +
      " ms (the controller works 3000 ms a file)");

  for (const auto* p : {&first, &second}) {
    const std::wstring mpg = p->substr(0, p->size() - 4) + L".mpg";
    const DWORD want = p == &first ? 1000 : 3000;
    check(fileSize(mpg) == want, "the controller wrote " + utf8(mpg),
          std::to_string(fileSize(mpg)) + " bytes");
    check(!exists(*p), "the source " + utf8(*p) + " is deleted");
  }
  check(exists(refused), "the refused file is untouched");
  check(listText(list, 0, 1) == kDeleted && listText(list, 1, 1) == kDeleted,
        "both rows read \"" + utf8(kDeleted) + "\"", utf8(listText(list, 0, 1)));
  check(::IsWindowEnabled(start) && !::IsWindowEnabled(stop),
        "after the run Command9 is enabled, Command6 disabled");
  HWND log = v.logBox();
  const std::wstring text = log ? textOf(log) : L"";
  check(text.find(L"1を変換開始しました") != std::wstring::npos &&
            text.find(L"2を変換開始しました") != std::wstring::npos,
        "the log has both starts");
  std::size_t passes = 0;
  for (std::size_t at = text.find(kDeleted); at != std::wstring::npos;
       at = text.find(kDeleted, at + 1))
    ++passes;
  check(passes == 2, "the log has both size checks", std::to_string(passes));
  endControllers();
  changeFolderByMenu(v, list);
}

// The folder browser of "パス取得": a virtual folder ("My Computer") cannot be confirmed,
// a file-system folder can.
void browserConfirmsOnlyFolders(const std::wstring& exe, const std::wstring& work) {
  say("# the folder browser confirms only file-system folders");
  const std::wstring folder = joinPath(work, L"参照試験");
  ::CreateDirectoryW(work.c_str(), nullptr);
  ::CreateDirectoryW(folder.c_str(), nullptr);
  ::CopyFileW(exe.c_str(), joinPath(folder, L"Varnolt.exe").c_str(), FALSE);
  writeFile(joinPath(folder, L"default.ini"), cp932(designSettings()));
  Varnolt v(joinPath(folder, L"Varnolt.exe"), folder);
  if (!v.main) return;
  v.selectTab(4);
  HWND pick = v.child(L"Button", L"パス取得");
  check(pick != nullptr, "the settings tab has パス取得");
  if (!pick) return;
  ::PostMessageW(pick, BM_CLICK, 0, 0);
  HWND dialog = nullptr;
  waitFor(
      [&] {
        dialog = findTop(v.pid(), L"#32770", L"");
        return dialog && findChild(dialog, L"SysTreeView32", L"");
      },
      10000);
  HWND tree = dialog ? findChild(dialog, L"SysTreeView32", L"") : nullptr;
  HWND ok = dialog ? ::GetDlgItem(dialog, IDOK) : nullptr;
  check(tree && ok, "the folder browser opens");
  if (!tree || !ok) return;
  // The root is the desktop; its children hold "My Computer", a folder without a path.
  const auto root = sendTimed(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
  int virtualSeen = 0, disabledOnVirtual = 0;
  for (auto item = sendTimed(tree, TVM_GETNEXTITEM, TVGN_CHILD, root); item;
       item = sendTimed(tree, TVM_GETNEXTITEM, TVGN_NEXT, item)) {
    sendTimed(tree, TVM_SELECTITEM, TVGN_CARET, item);
    ::Sleep(200);
    const bool enabled = ::IsWindowEnabled(ok);
    // The drive folder under the desktop is the one child Wine gives no file-system path.
    if (!enabled) ++disabledOnVirtual;
    ++virtualSeen;
  }
  check(virtualSeen > 0 && disabledOnVirtual > 0,
        "OK is disabled on a virtual folder of the desktop",
        std::to_string(disabledOnVirtual) + " of " + std::to_string(virtualSeen));
  sendTimed(tree, TVM_SELECTITEM, TVGN_CARET, root);
  ::Sleep(200);
  check(::IsWindowEnabled(ok), "OK is enabled on the desktop folder itself");
  ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  waitFor([&] { return !::IsWindow(dialog); }, 3000);
}

}  // namespace

void conversionTests(const std::wstring& varnoltExe, const std::wstring& rokuCtrlExe,
                     const std::wstring& work) {
  dropAndConvert(varnoltExe, rokuCtrlExe, work);
  browserConfirmsOnlyFolders(varnoltExe, work);
}

}  // namespace vt
