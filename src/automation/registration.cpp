// Registering the controller executable and choosing the default download folder.
#include "app/form1.hpp"
#include "dialogs/get_folder_name.hpp"

namespace varnolt {

void Form1::Command7_Click() {
  try {
    platform::OpenFileRequest request;
    request.filter =
        "RokuCtrl.exe (RokuCtrl.exe)|RokuCtrl.exe|実行ファイル (*.exe)|*.exe|"
        "すべてのファイル (*.*)|*.*|";
    request.title = "ﾛｸﾗｸｺﾝﾄﾛｰﾗを選んでください";
    auto chosen = ports.dialogs.openFile(request);
    // A cancel leaves the registration as it was.
    if (!chosen) return;
    Label2.setCaption(*chosen);
  } catch (const RunError&) {
  }
}

void Form1::Command10_Click() {
  const Hwnd owner = ports.mainWindow ? ports.mainWindow() : 0;
  std::string folder =
      GetFolderName::BrowseFolder(*this, owner, "フォルダを指定してください", Text4.text());
  if (!folder.empty()) Text4.setText(folder);
}

}  // namespace varnolt
