// default.ini: the settings controls dumped as key and value lines, and the
// couplings between the check boxes that the file restores.
#include <algorithm>
#include <functional>
#include <vector>

#include "app/form1.hpp"

namespace varnolt {

namespace {

// One setting of default.ini: its key line, how its value is written from the controls
// and how a value line is read back into them. The table's order is the file's order.
struct Setting {
  std::string key;
  std::function<std::string(const Form1&)> write;
  std::function<void(Form1&, const std::string&)> read;
};

const std::vector<Setting>& settings() {
  static const std::vector<Setting> table = [] {
    std::vector<Setting> t{
        {"/Label2.Caption", [](const Form1& f) { return f.Label2.caption(); },
         [](Form1& f, const std::string& v) { f.Label2.setCaption(v); }},
        {"/text4.text", [](const Form1& f) { return f.Text4.text(); },
         [](Form1& f, const std::string& v) { f.Text4.setText(v); }},
    };
    for (std::size_t k = 0; k < 9; ++k)
      t.push_back(
          {"/Option1(" + std::to_string(k) + ").Value",
           [k](const Form1& f) { return std::string(text_rules::boolWord(f.Option1[k].value())); },
           [k](Form1& f, const std::string& v) { f.Option1[k].setValue(text_rules::toBool(v)); }});
    t.push_back(
        {"/Check1.Value", [](const Form1& f) { return std::to_string(f.Check1.value()); },
         [](Form1& f, const std::string& v) { f.Check1.setValue(text_rules::toInt16(v)); }});
    t.push_back(
        {"/Check2.Value", [](const Form1& f) { return std::to_string(f.Check2.value()); },
         [](Form1& f, const std::string& v) { f.Check2.setValue(text_rules::toInt16(v)); }});
    return t;
  }();
  return table;
}

}  // namespace

void Form1::KankyouOutPut(const std::string& path) {
  std::string text;
  for (const Setting& s : settings())
    text.append(s.key).append("\r\n").append(s.write(*this)).append("\r\n");
  text = text_rules::replaceAll(text, "|\r\n", "\r\n");
  text += "\r\n";
  ports.files.replaceFile(path, ports.codec.toAnsi(text));
}

void Form1::KankyouInPut(const std::string& path) {
  ListView1.clear();
  try {
    const std::string text = ports.codec.fromAnsi(ports.files.readAll(path));
    const Setting* current = nullptr;
    for (const std::string& line : text_rules::textLines(text)) {
      if (line.empty()) continue;
      const auto key = std::find_if(settings().begin(), settings().end(),
                                    [&](const Setting& s) { return s.key == line; });
      if (key != settings().end())
        current = &*key;
      else if (current)
        current->read(*this, line);
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
