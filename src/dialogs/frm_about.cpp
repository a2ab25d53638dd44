#include "dialogs/frm_about.hpp"

#include "app/form1.hpp"

namespace varnolt {

frmAbout::frmAbout(platform::Platform& ports)
    : ModalForm("frmAbout", "ﾊﾞｰｼﾞｮﾝ情報"), ports_(ports) {
  for (controls::Control* c : std::initializer_list<controls::Control*>{
           &picIcon, &lblTitle, &lblVersion, &lblDescription, &lblDisclaimer, &cmdOK, &cmdSysInfo})
    add(*c);
  cmdOK.onClick = [this] { cmdOK_Click(); };
  cmdSysInfo.onClick = [this] { cmdSysInfo_Click(); };
  defaultButton = &cmdOK;
  cancelButton = &cmdOK;
  width = 5730;
  height = 3570;
  picIcon.setRect({240, 240, 540, 540});
  lblTitle.setRect({1050, 240, 3885, 480});
  lblVersion.setRect({1050, 780, 3885, 225});
  lblDescription.setRect({1050, 1125, 3885, 1170});
  lblDisclaimer.setRect({255, 2625, 3870, 825});
  cmdOK.setRect({4245, 2625, 1260, 345});
  cmdSysInfo.setRect({4260, 3075, 1245, 345});
}

void frmAbout::Form_Load() {
  caption = kAppTitle;
  lblVersion.setCaption("ﾊﾞｰｼﾞｮﾝ " + std::to_string(kVersionMajor) + "." +
                        std::to_string(kVersionMinor) + "." + std::to_string(kVersionRevision));
  lblTitle.setCaption(kAppTitle);
  lblDisclaimer.setCaption(kLegalNotice);
}

bool frmAbout::GetKeyValue(platform::RegRoot root, const std::string& keyName,
                           const std::string& valueName, std::string& value) {
  value.clear();
  auto v = ports_.registry.queryValue(root, keyName, valueName);
  if (!v) return false;
  std::string data = v->data.substr(0, std::min<std::size_t>(v->data.size(), 1024));
  if (!data.empty() && data.back() == '\0') data.pop_back();
  constexpr std::uint32_t kRegSz = 1;
  if (v->type == kRegSz) value = ports_.codec.fromAnsi(data);
  return true;
}

void frmAbout::StartSysInfo() {
  const char* kUnavailable = "現時点ではｼｽﾃﾑ情報を使用できません";
  try {
    std::string path;
    if (!GetKeyValue(platform::RegRoot::LocalMachine, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO",
                     "PATH", path)) {
      std::string folder;
      if (GetKeyValue(platform::RegRoot::LocalMachine, "SOFTWARE\\Microsoft\\Shared Tools Location",
                      "MSINFO", folder) &&
          ports_.files.fileExists(folder + "\\MSINFO32.EXE")) {
        path = folder + "\\MSINFO32.EXE";
      } else {
        ports_.dialogs.messageBox(kUnavailable, kAppTitle, platform::mb::kOk);
        return;
      }
    }
    if (path.empty() || ports_.shell.startProgram(path) == 0)
      ports_.dialogs.messageBox(kUnavailable, kAppTitle, platform::mb::kOk);
  } catch (const std::exception&) {
    ports_.dialogs.messageBox(kUnavailable, kAppTitle, platform::mb::kOk);
  }
}

void Form1::pulldown_help_ver_Click() {
  frmAbout about(ports);
  ports.dialogs.showModal(about);
}

}  // namespace varnolt
