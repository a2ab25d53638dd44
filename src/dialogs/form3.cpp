#include "dialogs/form3.hpp"

#include "dialogs/get_folder_name.hpp"

namespace varnolt {

namespace {

constexpr std::string_view kForbidden = "/*?\"<>|";

}  // namespace

Form3::Form3(Form1& owner) : ModalForm("Form3", "変換先変更"), form1_(owner) {
  width = 5415;
  height = 1470;
  Text1.setRect({120, 180, 4050, 315});
  Command3.setRect({4260, 150, 975, 375});
  Command1.setRect({2220, 780, 1455, 435});
  Command2.setRect({3780, 780, 1455, 435});
  for (controls::Control* c :
       std::initializer_list<controls::Control*>{&Command2, &Command1, &Text1, &Command3})
    add(*c);
  Command1.onClick = [this] { Command1_Click(); };
  Command2.onClick = [this] { Command2_Click(); };
  Command3.onClick = [this] { Command3_Click(); };
  defaultButton = &Command1;
  cancelButton = &Command2;
}

void Form3::Command1_Click() {
  std::string text = Text1.text();
  if (text.find_first_of(kForbidden) != std::string::npos) {
    form1_.msgBox("/  *  ?  \"  <  >  |", platform::mb::kOk,
                  "ファイル名に使用できない文字があります");
    return;
  }
  if (text.empty()) {
    form1_.msgBox("無効なパス名が設定されています");
    return;
  }
  if (text.back() == '\\') text.pop_back();
  form1_.state.RanSavePalentPath = text;
  close();
}

void Form3::Command3_Click() {
  const std::string chosen = GetFolderName::BrowseFolder(
      form1_, hWnd ? hWnd() : 0, "フォルダを指定してください", Text1.text());
  if (!chosen.empty()) Text1.setText(chosen);
}

}  // namespace varnolt
