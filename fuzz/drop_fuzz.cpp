// Files dropped on the conversion list: the input is the drop's paths in the system's
// code page, one per line, some of them naming files that exist in the world.
//
// Properties:
//  - the path splitter: folder, "\" and file name give the path back; the file name
//    holds no "\"; base name, "." and extension give the file name back, the extension
//    holds no ".";
//  - the list gets, in drop order, exactly the first drop of every path that is not in
//    the list yet, exists, is not exactly hidden or exactly a folder and has the
//    extension "m2t" (case-sensitive);
//  - each row: "未作業", base name, the path as dropped, its folder twice; the .mpg of
//    a row is beside its source; rows numbered 1..n zero-padded to n's digits, all
//    checked; the start button follows the controller's presence.
#include <cstdlib>
#include <set>

#include "convert/conversion_list.hpp"
#include "fuzz_world.hpp"

namespace varnolt::fuzz {

using controls::ListItem;
namespace {

constexpr std::size_t kMaxPaths = 64;

void makeFiles(FuzzWorld& w) {
  static const bool made = [&] {
    auto& files = w.world->files;
    std::filesystem::create_directories(w.host("d"));
    for (const char* p : {"C:\\in\\a.m2t", "C:\\in\\b.M2T", "C:\\in\\c.m2t.m2t", "C:\\in\\noext",
                          "C:\\in\\x.y.m2t", "C:\\in\\h.m2t", "C:\\in\\r.m2t", "C:\\in\\録画Ⅱ.m2t",
                          "C:\\in\\ﾃｽﾄ.m2t", "C:\\in\\sub\\e.m2t", "D:\\.m2t"}) {
      files.makeFile(p, 1000);
    }
    if (!files.makeSurePathExists("C:\\in\\d.m2t\\")) std::abort();
    files.setAttributes("C:\\in\\h.m2t", 2);
    files.setAttributes("C:\\in\\r.m2t", 33);
    return true;
  }();
  (void)made;
}

void checkSplit(std::string_view path) {
  const SplitPath s = splitPath(path);
  const std::string where = "path " + show(path);
  if (path.find('\\') == std::string_view::npos)
    FUZZ_CHECK(s.folder.empty() && s.fileName == path, where);
  else
    FUZZ_CHECK(s.folder + "\\" + s.fileName == path, where);
  FUZZ_CHECK(s.fileName.find('\\') == std::string::npos, where);
  if (s.fileName.find('.') == std::string::npos)
    FUZZ_CHECK(s.baseName == s.fileName && s.extension.empty(), where);
  else
    FUZZ_CHECK(
        s.baseName + "." + s.extension == s.fileName && s.extension.find('.') == std::string::npos,
        where);
}

bool accepted(FuzzWorld& w, const std::string& path) {
  std::uint32_t a = 0;
  try {
    a = w.world->files.attributes(path);
  } catch (const RunError&) {
    return false;
  }
  return a != 2 && a != 16 && splitPath(path).extension == "m2t";
}

}  // namespace
}  // namespace varnolt::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace varnolt;
  using namespace varnolt::fuzz;
  FuzzWorld& w = theWorld();
  makeFiles(w);
  std::string_view in = bytesOf(data, size);
  // The first byte says whether the controller has been found, and how many rows a
  // first drop of the same paths put in the list already.
  const unsigned char mode = in.empty() ? 0 : static_cast<unsigned char>(in[0]);
  if (!in.empty()) in.remove_prefix(1);
  std::vector<std::string> paths;
  for (const std::string& line : text_rules::split(in, "\n")) {
    if (paths.size() == kMaxPaths) break;
    paths.push_back(w.fromAnsi(line));
    checkSplit(paths.back());
  }

  Form1& f = w.window();
  f.ListView10.clear();
  f.Command9.setEnabled(false);
  f.StatusBar1.setPanel(2, (mode & 1) ? "ロクラクⅡ コントローラ" : "");
  const std::size_t earlier = std::min<std::size_t>(mode >> 1, paths.size());
  if (earlier > 0)
    f.ListView10_OLEDragDrop(std::vector<std::string>(paths.begin(), paths.begin() + earlier));
  for (std::size_t r = 1; r <= f.ListView10.count(); ++r) f.ListView10.setChecked(r, false);
  const std::size_t before = f.ListView10.count();
  f.ListView10_OLEDragDrop(paths);

  std::vector<std::string> expected;
  std::set<std::string> seen;
  for (std::size_t i = 0; i < earlier + paths.size(); ++i) {
    const std::string& p = paths[i < earlier ? i : i - earlier];
    if (seen.insert(p).second && accepted(w, p)) expected.push_back(p);
  }
  const std::size_t n = f.ListView10.count();
  FUZZ_CHECK(n == expected.size() && n >= before,
             std::to_string(n) + " rows, expected " + std::to_string(expected.size()));
  const std::size_t width = std::to_string(n).size();
  for (std::size_t r = 1; r <= n; ++r) {
    const ListItem& row = f.ListView10.item(r);
    const std::string where = "row " + std::to_string(r) + " " + show(expected[r - 1]);
    FUZZ_CHECK(row.subItem(m2tcol::kFullPath) == expected[r - 1], where);
    const SplitPath s = splitPath(expected[r - 1]);
    FUZZ_CHECK(row.subItem(m2tcol::kStatus) == kNotWorked, where);
    FUZZ_CHECK(row.subItem(m2tcol::kBaseName) == s.baseName, where);
    FUZZ_CHECK(row.subItem(m2tcol::kParent) == s.folder, where);
    FUZZ_CHECK(row.subItem(m2tcol::kMpgParent) == s.folder, where);
    FUZZ_CHECK(mpgPathOf(f.ListView10, r) == s.folder + "\\" + s.baseName + ".mpg", where);
    std::string number = std::to_string(r);
    number.insert(0, width - number.size(), '0');
    FUZZ_CHECK(row.text == number && row.checked, where + ": numbered " + row.text);
  }
  FUZZ_CHECK(f.Command9.enabled() == ((mode & 1) && n >= 1),
             "the start button must follow the controller's presence and the rows");
  return 0;
}
