// The night's tally: what a run of downloads and conversions did, told in one log line
// when it ends or is stopped, and what the quit question says of a run under way.
#include "app/form1.hpp"
#include "convert/conversion_list.hpp"

namespace varnolt {

void Form1::nightStarted(const std::vector<std::size_t>& recordings) {
  state.night = {};
  state.night.active = true;
  for (std::size_t row : recordings) state.night.downloads[row] = NightTally::Outcome::Todo;
  keepAwake(true);
  journalNight();
}

void Form1::nightSucceeded(bool download) {
  ++(download ? state.night.downloaded : state.night.converted);
  if (download && state.downloadPosition > 0)
    state.night.downloads[static_cast<std::size_t>(state.downloadPosition)] =
        NightTally::Outcome::Done;
  journalNight();
}

void Form1::nightFailed(std::string what) {
  state.night.failed.push_back(std::move(what));
  journalNight();
}

void Form1::logNightSummary() {
  const NightTally& n = state.night;
  std::string line = "作業結果：ダウンロード " + std::to_string(n.downloaded) + "件、変換 " +
                     std::to_string(n.converted) + "件、失敗 " + std::to_string(n.failed.size()) +
                     "件";
  if (!n.failed.empty()) {
    line += "（";
    for (std::size_t i = 0; i < n.failed.size(); ++i) line += (i ? "、" : "") + n.failed[i];
    line += "）";
  }
  logAdd(line);
  // Every end and stop of a night is told here, before any end-of-work action: nothing
  // is left to resume, and the machine may sleep again.
  nightOver();
}

std::string Form1::recordingTitle(std::size_t row) const {
  return row >= 1 && row <= ListView1.count()
             ? text_rules::trimSpaces(ListView1.item(row).subItem(3))
             : std::string();
}

std::string Form1::conversionFileName(std::size_t row) const {
  return row >= 1 && row <= ListView10.count()
             ? splitPath(ListView10.item(row).subItem(m2tcol::kFullPath)).fileName
             : std::string();
}

std::string Form1::runUnderWay() const {
  if (Timer1.enabled() && state.downloadPosition > 0 &&
      static_cast<std::size_t>(state.downloadPosition) <= ListView1.count()) {
    const auto row = static_cast<std::size_t>(state.downloadPosition);
    return "ダウンロード " + std::to_string(row) + "行目：" + recordingTitle(row);
  }
  if (Command6.enabled() && !state.ConvStop && state.ConvRow > 0 &&
      static_cast<std::size_t>(state.ConvRow) <= ListView10.count()) {
    const auto row = static_cast<std::size_t>(state.ConvRow);
    return "ストリーム変換 " + std::to_string(row) + "行目：" + conversionFileName(row);
  }
  return {};
}

}  // namespace varnolt
