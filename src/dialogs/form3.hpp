// The path entry dialog: a folder typed or browsed for the .mpg files, handed back
// through Form1's RanSavePalentPath.
#pragma once

#include "app/form1.hpp"
#include "controls/form.hpp"

namespace varnolt {

class Form3 : public controls::ModalForm {
 public:
  explicit Form3(Form1& owner);
  // Created in tab order: the cancel button has the focus when the dialog opens.
  controls::Button Command2{"Command2", "キャンセル"};
  controls::Button Command1{"Command1", "O  K"};
  controls::TextBox Text1{"Text1"};
  controls::Button Command3{"Command3", "参照"};

  void Command1_Click();
  void Command2_Click() { close(); }
  void Command3_Click();

 private:
  Form1& form1_;
};

}  // namespace varnolt
