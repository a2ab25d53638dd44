// The version information dialog.
#pragma once

#include <string>

#include "controls/form.hpp"
#include "platform/platform.hpp"

namespace varnolt {

inline constexpr int kVersionMajor = 2, kVersionMinor = 1, kVersionRevision = 0;
inline constexpr const char* kLegalNotice = "";

class frmAbout : public controls::ModalForm {
 public:
  explicit frmAbout(platform::Platform& ports);
  controls::Picture picIcon{"picIcon"};
  controls::Label lblTitle{"lblTitle", "アプリケーション タイトル"};
  controls::Label lblVersion{"lblVersion", "バージョン"};
  controls::Label lblDescription{"lblDescription", "アプリケーションの説明"};
  controls::Label lblDisclaimer{"lblDisclaimer", "警告: ..."};
  controls::Button cmdOK{"cmdOK", "OK"};
  controls::Button cmdSysInfo{"cmdSysInfo", "ｼｽﾃﾑ情報(&S)..."};

  void Form_Load() override;
  void cmdOK_Click() { close(); }
  void cmdSysInfo_Click() { StartSysInfo(); }
  void StartSysInfo();
  // Reads one string value; false (and an empty text) when the key or value is missing.
  bool GetKeyValue(platform::RegRoot root, const std::string& keyName, const std::string& valueName,
                   std::string& value);

 private:
  platform::Platform& ports_;
};

}  // namespace varnolt
