// The free space of the download drive against the total of the checked recordings.
#include "app/form1.hpp"

namespace varnolt {

namespace {

// The drive part of a path: "C:" for "C:\x", "\\server\share" for a UNC path.
std::string driveName(std::string_view path) {
  if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0])))
    return std::string(path.substr(0, 2));
  if (path.size() > 2 && path[0] == '\\' && path[1] == '\\') {
    std::size_t server = path.find('\\', 2);
    if (server == std::string_view::npos) return {};
    std::size_t share = path.find('\\', server + 1);
    return std::string(path.substr(0, share));
  }
  return {};
}

}  // namespace

void Form1::FreeSpace_Get() {
  try {
    const std::string drive = driveName(Text4.text());
    if (drive.empty()) return;
    auto bytes = ports.files.freeSpace(drive + "\\");
    if (!bytes) return;
    const double free = static_cast<double>(*bytes) / 1024 / 1024;
    Label5.setCaption("デフォルト保存先の空容量：" + ports.regional.formatNumber(free, 0) + "MB");
    ProgressBar1.setMax(static_cast<float>(free));
  } catch (const std::exception&) {
  }
}

void Form1::CheckSize_Sum() {
  if (Check4.value() != 0) return;
  try {
    if (ProgressBar1.max() == 1.0f) return;
    double total = 0;
    for (std::size_t r = 1; r <= ListView1.count(); ++r)
      if (ListView1.item(r).checked) total += text_rules::toDouble(ListView1.item(r).subItem(7));
    if (static_cast<float>(total) > ProgressBar1.max()) {
      ProgressBar1.setValue(ProgressBar1.max());
      Label6.setCaption("サイズオーバー");
      return;
    }
    ProgressBar1.setValue(static_cast<float>(total));
    Label6.setCaption("チェックした総サイズ：" + text_rules::numberText(total) + "MB / 使用率：" +
                      ports.regional.formatPercent(static_cast<double>(ProgressBar1.value()) /
                                                   static_cast<double>(ProgressBar1.max())));
  } catch (const std::exception&) {
    Check4.setValue(1);
  }
}

void Form1::ListView1_ItemCheck(std::size_t) {
  CheckSize_Sum();
}

void Form1::ProgressBar1_MouseDown() {
  msgBox(text_rules::numberText(ProgressBar1.max()));
}

}  // namespace varnolt
