// Filling the conversion list without a mouse: "ファイルを追加..." on the list's pop-up
// menu, and the line that says why the list takes no files while Check1 holds it.
#include "app/form1.hpp"

namespace varnolt {

void Form1::pulldown_m2tlist_add_Click() {
  platform::OpenFileRequest request;
  request.filter = "m2tファイル (*.m2t)|*.m2t|";
  request.title = "ファイルを追加";
  // The downloads are where .m2t files usually are.
  if (Text4.text() != kNotSet) request.initialDir = Text4.text();
  const std::vector<std::string> paths = ports.dialogs.openFiles(request);
  // The same checks and numbering as files dropped from the shell.
  if (!paths.empty()) ListView10_OLEDragDrop(paths);
}

void Form1::watchConversionListLock() {
  auto showWhyLocked = [this](controls::Control&, controls::Property property) {
    if (property == controls::Property::Enabled || property == controls::Property::Value)
      Label8.setVisible(Check1.value() == 1 && !ListView10.enabled());
  };
  ListView10.subscribe(showWhyLocked);
  Check1.subscribe(showWhyLocked);
}

}  // namespace varnolt
