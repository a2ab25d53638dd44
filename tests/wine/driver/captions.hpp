// The texts of Varnolt's and the stand-in controller's windows that the tests look for.
#pragma once

#include <string>

namespace winetest {

// The download tab.
inline const std::wstring kStartButton = L"ﾛｸﾗｸｺﾝﾄﾛｰﾗ起動";
inline const std::wstring kListButton = L"リスト取得";
inline const std::wstring kDownloadButton = L"ﾘｽﾄ選択してﾀﾞｳﾝ";
inline const std::wstring kCheck1 = L"DL後にストリーム変換も行う";
inline const std::wstring kCheck3 = L"サイズ比較をクリアしたら元m2tファイルは削除";
// The conversion tab.
inline const std::wstring kConvertButton = L"PCで再生（ストリーム変換）";
inline const std::wstring kCheck2 = L"変換後、サイズ比較をクリアしたら元m2tファイルは削除する";
// The developer tab.
inline const std::wstring kEnumButton = L"ﾄｯﾌﾟﾚﾍﾞﾙｳｨﾝﾄﾞｳ列挙";
// The six tabs, and a control only page k shows (the log page: its text box).
inline const std::wstring kTabs[] = {L"ダウンロード",   L"ファイル名設定リスト(開発中）",
                                     L"ストリーム変換", L"ログ",
                                     L"環境設定",       L"開発者専用タブ"};
inline const wchar_t* const kPageMarks[] = {
    L"リスト取得", L"追加",     L"PCで再生（ストリーム変換）",
    nullptr,       L"ＲＣ選択", L"ﾄｯﾌﾟﾚﾍﾞﾙｳｨﾝﾄﾞｳ列挙"};

// The log and the boxes.
inline const std::wstring kStarted = L"Varnolt起動";
inline const std::wstring kClicked = L"「ロクラク起動」ボタンクリック";
inline const std::wstring kQuit = L"アプリケーションを終了しますか ?";
inline const std::wstring kAllDone = L"全ての作業が終了しました";

// The stand-in controller's main window.
inline const std::wstring kStandInTitle = L"ロクラクⅡ コントローラ";
inline const std::wstring kStandInClass = L"RokuCtrlWindow";

}  // namespace winetest
