// Judging a finished conversion by the sizes of source and result.
#include "convert/conversion_list.hpp"

namespace varnolt {

namespace {

constexpr const char* kPassedKept = "変換は正常に行われたようです";
constexpr const char* kPassedDeleted = "サイズ比較クリアにつき元ファイルは削除されました";
constexpr const char* kFailed = "変換に失敗しました";
constexpr const char* kCheckError =
    "サイズ比較時にエラーが発生しました。マニュアルでエラーしたファイルはチェックしてください";

}  // namespace

void Form1::m2t_SizeCheck() {
  const auto row = static_cast<std::size_t>(state.ConvRow);
  std::string status;
  std::string name;
  try {
    const std::string source = ListView10.item(row).subItem(m2tcol::kFullPath);
    name = splitPath(source).fileName;
    // 64-bit sizes: recordings beyond 4 GB compare by their true lengths.
    const std::int64_t sourceSize = ports.files.fileSize(source);
    const std::int64_t outputSize = ports.files.fileSize(mpgPathOf(ListView10, row));
    if (sourceSize <= outputSize) {
      if (Check2.value() == 1) {
        ports.files.deleteFile(source);
        status = kPassedDeleted;
      } else {
        status = kPassedKept;
      }
    } else {
      status = kFailed;
    }
  } catch (const RunError&) {
    status = kCheckError;
  }
  try {
    ListView10.setSubItem(row, m2tcol::kStatus, status);
  } catch (const RunError&) {
    // The row is gone (deleted during the run): the log still tells the outcome.
  }
  logAdd(status);
  if (status == kPassedKept || status == kPassedDeleted)
    nightSucceeded(false);
  else
    nightFailed(name);
}

}  // namespace varnolt
