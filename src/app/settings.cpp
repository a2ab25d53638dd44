// default.ini: the settings controls dumped as key and value lines, and the
// couplings between the check boxes that the file restores.
#include <array>

#include "app/form1.hpp"

namespace varnolt {

namespace {

constexpr std::array<const char*, 9> kOptionKeys = {
    "/Option1(0).Value", "/Option1(1).Value", "/Option1(2).Value",
    "/Option1(3).Value", "/Option1(4).Value", "/Option1(5).Value",
    "/Option1(6).Value", "/Option1(7).Value", "/Option1(8).Value"};

}  // namespace

void Form1::KankyouOutPut(const std::string& path) {
  std::string text;
  auto pair = [&](std::string_view key, std::string_view value) {
    text.append(key).append("\r\n").append(value).append("\r\n");
  };
  pair("/Label2.Caption", Label2.caption());
  pair("/text4.text", Text4.text());
  for (std::size_t k = 0; k < kOptionKeys.size(); ++k)
    pair(kOptionKeys[k], vb::boolWord(Option1[k].value()));
  pair("/Check1.Value", std::to_string(Check1.value()));
  pair("/Check2.Value", std::to_string(Check2.value()));
  text = vb::replaceAll(text, "|\r\n", "\r\n");
  text += "\r\n";
  os.files.replaceFile(path, os.codec.toAnsi(text));
}

void Form1::KankyouInPut(const std::string& path) {
  ListView1.clear();
  try {
    const std::string text = os.codec.fromAnsi(os.files.readAll(path));
    std::string key;
    for (const std::string& line : vb::textLines(text)) {
      if (line.empty()) continue;
      bool isKey = line == "/Label2.Caption" || line == "/text4.text" || line == "/Check1.Value" ||
                   line == "/Check2.Value";
      for (const char* k : kOptionKeys) isKey = isKey || line == k;
      if (isKey) {
        key = line;
        continue;
      }
      if (key == "/Label2.Caption") {
        Label2.setCaption(line);
      } else if (key == "/text4.text") {
        Text4.setText(line);
      } else if (key == "/Check1.Value") {
        Check1.setValue(vb::toInt16(line));
      } else if (key == "/Check2.Value") {
        Check2.setValue(vb::toInt16(line));
      } else {
        for (std::size_t k = 0; k < kOptionKeys.size(); ++k)
          if (key == kOptionKeys[k]) Option1[k].setValue(vb::toBool(line));
      }
    }
  } catch (const std::exception&) {
    // A missing or damaged file leaves the rest of the controls at their design values.
  }
}

void Form1::Check1_Click() {
  if (Check1.value() == 1) {
    Check3.setEnabled(true);
    Check2.setEnabled(false);
    if (Check2.value() == 1) Check3.setValue(1);
    ListView10.setEnabled(false);
  } else {
    Check3.setEnabled(false);
    Check2.setEnabled(true);
    Check3.setValue(0);
    ListView10.setEnabled(true);
  }
}

// While Check1 is on, Check3 on the download tab is the switch the user sees for
// Check2: it follows every change of Check2, the one read from default.ini after Check1
// included, so the window never hides that sources will be deleted.
void Form1::Check2_Click() {
  if (Check1.value() == 1) Check3.setValue(Check2.value() == 1 ? 1 : 0);
}

void Form1::Check3_Click() {
  Check2.setValue(Check3.value() == 1 ? 1 : 0);
}

void Form1::Check4_Click() {
  Label6.setCaption("ロクラク・コントローラの仕様制限によりサイズ計算できません");
}

}  // namespace varnolt
