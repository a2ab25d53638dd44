#include "standin/roku_model.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace varnolt::standin {

namespace {

struct FaultEntry {
  Fault fault;
  const char* name;
};
constexpr FaultEntry kFaults[] = {
    {Fault::NoDetails, "nodetails"},   {Fault::Hung, "hung"},
    {Fault::ExitMidTransfer, "exit"},  {Fault::DialogNeverOpens, "nodialog"},
    {Fault::SmallerOutput, "smaller"}, {Fault::NoOutput, "nooutput"},
    {Fault::StartFails, "nostart"},    {Fault::NoInterrupt, "nointerrupt"},
    {Fault::NoTransfer, "notransfer"}, {Fault::Elevated, "elevated"},
};

bool isNumber(std::string_view s) {
  bool digit = false, point = false;
  for (char c : s) {
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digit;
}

std::string trim(std::string_view s) {
  auto b = s.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  auto e = s.find_last_not_of(" \t");
  return std::string(s.substr(b, e - b + 1));
}

std::vector<std::string> fields(const std::string& entry) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (;;) {
    auto bar = entry.find('|', start);
    out.push_back(entry.substr(start, bar == std::string::npos ? bar : bar - start));
    if (bar == std::string::npos) return out;
    start = bar + 1;
  }
}

std::string field(const std::vector<std::string>& f, std::size_t k) {
  return k >= 1 && k <= f.size() ? f[k - 1] : std::string();
}

bool endsWithNoCase(const std::string& s, std::string_view tail) {
  if (s.size() < tail.size()) return false;
  for (std::size_t i = 0; i < tail.size(); ++i) {
    char a = s[s.size() - tail.size() + i], b = tail[i];
    if (std::tolower(static_cast<unsigned char>(a)) != std::tolower(static_cast<unsigned char>(b)))
      return false;
  }
  return true;
}

std::string folderOf(const std::string& path) {
  auto cut = path.find_last_of('\\');
  return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

std::string baseName(const std::string& path) {
  auto cut = path.find_last_of('\\');
  std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
  auto dot = name.find_last_of('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

const char* const kPlayNames[] = {"play", "stop", "rewind", "fastforward", "freeze", "slow"};

}  // namespace

std::optional<Fault> faultByName(std::string_view name) {
  for (const auto& f : kFaults)
    if (name == f.name) return f.fault;
  return std::nullopt;
}

const char* faultName(Fault fault) {
  for (const auto& f : kFaults)
    if (f.fault == fault) return f.name;
  return "?";
}

std::string faultNames() {
  std::string out;
  for (const auto& f : kFaults) out += (out.empty() ? "" : ", ") + std::string(f.name);
  return out;
}

Recording parseRecording(std::string_view text) {
  std::string t = trim(text);
  Recording r;
  r.entry = t;
  // The last two words are the size when they read "<number> MB" or "<number> GB".
  auto unitSpace = t.find_last_of(' ');
  if (unitSpace == std::string::npos) return r;
  std::string unit = t.substr(unitSpace + 1);
  if (unit != "MB" && unit != "GB") return r;
  std::string head = trim(t.substr(0, unitSpace));
  auto numberSpace = head.find_last_of(' ');
  if (numberSpace == std::string::npos) return r;
  std::string number = head.substr(numberSpace + 1);
  if (!isNumber(number)) return r;
  r.entry = trim(head.substr(0, numberSpace));
  r.size = number + " " + unit;
  return r;
}

std::uint64_t sizeBytes(std::string_view sizeText) {
  std::string t = trim(sizeText);
  auto space = t.find(' ');
  if (space == std::string::npos) return 0;
  std::string number = t.substr(0, space), unit = trim(t.substr(space + 1));
  if (!isNumber(number)) return 0;
  double mb = std::strtod(number.c_str(), nullptr);
  if (unit == "GB")
    mb *= 1000;
  else if (unit != "MB")
    return 0;
  // A size no file can have (beyond 2^64 bytes) is one it cannot read; converting it
  // would be undefined.
  const double bytes = mb * 1048576.0 + 0.5;
  if (!(bytes < 18446744073709551616.0)) return 0;
  return static_cast<std::uint64_t>(bytes);
}

std::string applyConfigLine(Config& config, std::string_view line) {
  std::string l = trim(line);
  auto space = l.find(' ');
  std::string key = l.substr(0, space);
  std::string rest = space == std::string::npos ? std::string() : trim(l.substr(space + 1));
  auto milliseconds = [&](int& target) -> std::string {
    if (rest.empty() || rest.find_first_not_of("0123456789") != std::string::npos)
      return key + " takes a number of milliseconds";
    target = std::atoi(rest.c_str());
    return {};
  };
  if (key == "title") {
    if (rest.empty()) return "title takes the caption of the main window";
    config.title = rest;
  } else if (key == "recording") {
    if (rest.empty()) return "recording takes ENTRY [SIZE]";
    config.recordings.push_back(parseRecording(rest));
  } else if (key == "recordings") {
    if (rest.empty() || rest.size() > 6 ||
        rest.find_first_not_of("0123456789") != std::string::npos)
      return "recordings takes a number of entries";
    const std::size_t n = static_cast<std::size_t>(std::atoi(rest.c_str()));
    const std::size_t first = config.recordings.size() + 1;
    for (std::size_t k = first; k < first + n; ++k) {
      const std::string num = std::to_string(k);
      config.recordings.push_back(
          {num + "||番組" + num + "|2026/12/01 21:00|00:30|HD", num + " MB", std::nullopt});
    }
  } else if (key == "details") {
    if (config.recordings.empty()) return "details needs a recording before it";
    // Verbatim: only the one space after the word is not part of the text.
    std::string_view raw = line.substr(std::min(line.size(), line.find("details") + 7));
    if (!raw.empty() && raw.front() == ' ') raw.remove_prefix(1);
    config.recordings.back().details = unescapeLineEnds(raw);
  } else if (key == "fault") {
    const auto space2 = rest.find(' ');
    const std::string name = rest.substr(0, space2);
    const std::string row = space2 == std::string::npos ? std::string() : trim(rest.substr(space2));
    auto f = faultByName(name);
    if (!f) return "unknown fault '" + rest + "' (one of " + faultNames() + ")";
    if (!row.empty()) {
      if (*f != Fault::NoTransfer || row.find_first_not_of("0123456789") != std::string::npos ||
          std::atoi(row.c_str()) < 1)
        return "only notransfer takes a row, counted from 1";
      config.noTransferRows.insert(std::atoi(row.c_str()));
    }
    config.faults.insert(*f);
  } else if (key == "range") {
    int lo = 0, hi = 0;
    char tail = 0;
    if (std::sscanf(rest.c_str(), "%d %d %c", &lo, &hi, &tail) != 2 || lo >= hi)
      return "range takes MIN MAX with MIN < MAX";
    config.rangeMin = lo;
    config.rangeMax = hi;
  } else if (key == "playfirst") {
    if (!rest.empty()) return "playfirst takes nothing";
    config.playFirst = true;
  } else if (key == "twoedits") {
    if (!rest.empty()) return "twoedits takes nothing";
    config.twoEdits = true;
  } else if (key == "startup") {
    return milliseconds(config.startupMs);
  } else if (key == "job") {
    return milliseconds(config.jobMs);
  } else {
    return "unknown setting '" + key + "'";
  }
  return {};
}

// ---------------------------------------------------------------- windows

WindowDesc Controller::mainWindow(const Config& config) {
  return {kMain, "RokuCtrlWindow", config.title, "main"};
}

std::vector<WindowDesc> Controller::mainChildren(const Config& config) {
  std::vector<WindowDesc> w = {
      {0, "Static", "録画リスト", "label"},
      {kConnect, "Button", "接続", "rc_setuzoku_btn"},
      {kHeadLock, "Button", "Lock", "Rc_Rec_Column_Lock"},
      {kHeadTitle, "Button", "タイトル", "Rc_Rec_Column_Title"},
      {kHeadDay, "Button", "録画日時", "Rc_Rec_Column_Day"},
      {kHeadTime, "Button", "録画時間", "Rc_Rec_Column_Time"},
      {kHeadBitRate, "Button", "ﾋﾞｯﾄﾚｰﾄ", "Rc_Rec_Column_BitLate"},
      {kList, "ListBox", "", "rc_rec_list"},
  };
  if (!config.has(Fault::NoDetails)) w.push_back({kDetails, "Static", "FileSize : ", "rc_recdata"});
  std::vector<WindowDesc> rest = {{kReceive, "Button", "受信", "rc_zyusin_btn"}};
  if (!config.has(Fault::NoInterrupt))
    rest.push_back({kInterrupt, "Button", "中断", "rc_stop_btn"});
  std::vector<WindowDesc> tail = {
      {kDirectory, "Button", "ﾃﾞｨﾚｸﾄﾘ", "rc_dir_btn"},
      {kPcPlay, "Button", "PCで再生", "rc_pcdown_btn"},
      {kPlay, "Button", "再生", "rc_saisei_btn"},
      {kStop, "Button", "停止", "rc_teisi_btn"},
      {kRewind, "Button", "巻戻し", "rc_makimodosi_btn"},
      {kFastForward, "Button", "早送り", "rc_hayaokuri_btn"},
      {kFreeze, "Button", "フリーズ", "rc_freeze_btn"},
      {kSlow, "Button", "スロー", "rc_slow_btn"},
      {kSlider, "msctls_trackbar32", "Slider1", "rc_slider"},
      {kExit, "Button", "終了", "rc_end_btn"},
  };
  if (config.playFirst) std::swap(tail[1], tail[2]);
  w.insert(w.end(), rest.begin(), rest.end());
  w.insert(w.end(), tail.begin(), tail.end());
  return w;
}

WindowDesc Controller::dialogWindow(Dialog dialog) {
  switch (dialog) {
    case Dialog::Save:
      return {kSaveDialog, "", "名前を付けて保存", "save"};
    case Dialog::Directory:
      return {kDirDialog, "", "ディレクトリ設定", "dir"};
    case Dialog::Open:
      break;
  }
  return {kOpenDialog, "", "ファイルを開く", "open"};
}

std::vector<WindowDesc> Controller::dialogChildren(Dialog dialog, const Config& config) {
  switch (dialog) {
    case Dialog::Save: {
      std::vector<WindowDesc> w = {{kSaveLabel, "Static", "ファイル名(&N):", "save.label"},
                                   {kSaveEdit, "Edit", "", "save.edit"},
                                   {kSaveOk, "Button", "保存(&S)", "save.ok"},
                                   {kSaveCancel, "Button", "キャンセル", "save.cancel"}};
      if (config.twoEdits) w.insert(w.begin(), {kSaveOther, "Edit", "", "save.other"});
      return w;
    }
    case Dialog::Directory:
      return {{kDirFrame, "Button", "出力先", "dir.frame"},
              {kDirLabel, "Static", "フォルダ:", "dir.label"},
              {kDirBrowse, "Button", "参照...", "dir.browse"},
              {kDirFolder, "Edit", "", "dir.folder"},
              {kDirNameLabel, "Static", "ファイル名:", "dir.namelabel"},
              {kDirNameHint, "Static", "(空欄で元の名前)", "dir.namehint"},
              {kDirNote, "Static", "", "dir.note"},
              {kDirName, "Edit", "", "dir.name"},
              {kDirOk, "Button", "OK", "dir.ok"},
              {kDirCancel, "Button", "キャンセル", "dir.cancel"}};
    case Dialog::Open:
      break;
  }
  return {{kOpenLabel, "Static", "ファイル名(&N):", "open.label"},
          {kOpenEdit, "Edit", "", "open.edit"},
          {kOpenOk, "Button", "開く(&O)", "open.ok"},
          {kOpenCancel, "Button", "キャンセル", "open.cancel"}};
}

// ---------------------------------------------------------------- behaviour

Controller::Controller(Config config, Host& host) : config_(std::move(config)), host_(host) {}

std::string Controller::detailsText(int index) const {
  if (index < 0 || index >= static_cast<int>(config_.recordings.size())) return "FileSize : ";
  const Recording& r = config_.recordings[static_cast<std::size_t>(index)];
  if (r.details) return *r.details;
  auto f = fields(r.entry);
  return "タイトル : " + field(f, 3) + "\r\n録画日時 : " + field(f, 4) +
         "\r\n録画時間 : " + field(f, 5) + "\r\nFileSize : " + r.size +
         "\r\nビットレート : " + field(f, 6);
}

void Controller::showDetails(int index) {
  if (!config_.has(Fault::NoDetails)) host_.setText(kDetails, detailsText(index));
}

void Controller::started(std::int64_t) {
  std::vector<std::string> items;
  for (const auto& r : config_.recordings) items.push_back(r.entry);
  host_.setItems(items);
  int first = items.empty() ? -1 : 0;
  host_.setSelection(first);
  showDetails(first);
  host_.setTrackbar(0);
  host_.note("window " + config_.title);
  if (config_.has(Fault::Hung)) host_.hang();
}

void Controller::selectionChanged(int index) {
  showDetails(index);
}

void Controller::sortBy(int header) {
  const std::size_t column = static_cast<std::size_t>(header - kHeadLock) + 2;
  descending_ = sortedBy_ == header ? !descending_ : false;
  sortedBy_ = header;
  std::stable_sort(config_.recordings.begin(), config_.recordings.end(),
                   [&](const Recording& a, const Recording& b) {
                     auto x = field(fields(a.entry), column), y = field(fields(b.entry), column);
                     return descending_ ? y < x : x < y;
                   });
  std::vector<std::string> items;
  for (const auto& r : config_.recordings) items.push_back(r.entry);
  host_.setItems(items);
  host_.setSelection(items.empty() ? -1 : 0);
  showDetails(items.empty() ? -1 : 0);
  host_.note("sort " + std::to_string(column) + (descending_ ? " down" : " up"));
}

std::int64_t Controller::jobLength(std::uint64_t bytes) const {
  if (config_.jobMs > 0) return config_.jobMs;
  const std::int64_t ms = static_cast<std::int64_t>(bytes / (10 * 1048576 / 1000));
  return std::max<std::int64_t>(ms, 6000);
}

void Controller::startJob(Job job, std::int64_t nowMs) {
  job.startMs = nowMs;
  job.lengthMs = jobLength(job.bytes);
  if (job.writes && !host_.resizeFile(job.path, 0)) job.writes = false;
  host_.setEnabled(kReceive, false);
  host_.setEnabled(kPcPlay, false);
  host_.setTrackbar(1);
  host_.note(std::string(job.conversion ? "convert " : "receive ") + job.path);
  job_ = std::move(job);
}

void Controller::endJob(bool finished) {
  if (!job_) return;
  if (finished && job_->writes) host_.resizeFile(job_->path, job_->bytes);
  host_.note(std::string(finished ? "done " : "interrupted ") + job_->path);
  job_.reset();
  host_.setTrackbar(0);
  host_.setEnabled(kReceive, true);
  host_.setEnabled(kPcPlay, true);
}

void Controller::advance(std::int64_t nowMs) {
  if (!job_) return;
  const std::int64_t elapsed = nowMs - job_->startMs;
  if (config_.has(Fault::ExitMidTransfer) && elapsed * 2 >= job_->lengthMs) {
    if (job_->writes) host_.resizeFile(job_->path, job_->bytes / 2);
    host_.note("exit during " + job_->path);
    job_.reset();
    host_.exit();
    return;
  }
  if (elapsed >= job_->lengthMs) {
    endJob(true);
    return;
  }
  const double done = static_cast<double>(elapsed) / static_cast<double>(job_->lengthMs);
  const auto bytes = static_cast<std::uint64_t>(static_cast<double>(job_->bytes) * done);
  if (job_->writes && bytes > job_->written) {
    host_.resizeFile(job_->path, bytes);
    job_->written = bytes;
  }
  // Off 0 while the job runs, whatever the range: 0 is what reads as idle.
  const int span = config_.rangeMax - config_.rangeMin;
  const int position = config_.rangeMin + static_cast<int>(done * span);
  host_.setTrackbar(position == 0 ? 1 : position);
}

void Controller::clicked(int id, std::int64_t nowMs) {
  const bool noDialog = config_.has(Fault::DialogNeverOpens);
  switch (id) {
    case kConnect: {
      std::vector<std::string> items;
      for (const auto& r : config_.recordings) items.push_back(r.entry);
      host_.setItems(items);
      host_.note("connect");
      break;
    }
    case kHeadLock:
    case kHeadTitle:
    case kHeadDay:
    case kHeadTime:
    case kHeadBitRate:
      sortBy(id);
      break;
    case kReceive: {
      if (busy()) return;
      int sel = host_.selection();
      if (sel < 0 || sel >= static_cast<int>(config_.recordings.size())) {
        host_.note("receive without a selection");
        return;
      }
      if (noDialog) {
        host_.note("receive: the dialog does not open");
        return;
      }
      pendingDownload_ = sel;
      host_.openDialog(Dialog::Save, dialogWindow(Dialog::Save),
                       dialogChildren(Dialog::Save, config_));
      break;
    }
    case kSaveOk: {
      std::string path = host_.text(kSaveEdit);
      host_.closeDialog(Dialog::Save);
      auto entry = pendingDownload_;
      pendingDownload_.reset();
      if (path.empty() || !entry || busy()) return;
      // The dialog supplies the extension.
      if (!endsWithNoCase(path, ".m2t")) path += ".m2t";
      if (!host_.folderExists(folderOf(path))) {
        host_.note("save: no folder " + folderOf(path));
        return;
      }
      if (config_.has(Fault::NoTransfer) &&
          (config_.noTransferRows.empty() || config_.noTransferRows.count(*entry + 1))) {
        host_.note("save: nothing transferred for " + path);
        return;
      }
      Job job;
      job.path = path;
      job.bytes = sizeBytes(config_.recordings[static_cast<std::size_t>(*entry)].size);
      startJob(std::move(job), nowMs);
      break;
    }
    case kSaveCancel:
      pendingDownload_.reset();
      host_.closeDialog(Dialog::Save);
      break;
    case kInterrupt:
      endJob(false);
      break;
    case kDirectory:
      if (noDialog) {
        host_.note("directory: the dialog does not open");
        return;
      }
      host_.openDialog(Dialog::Directory, dialogWindow(Dialog::Directory),
                       dialogChildren(Dialog::Directory, config_));
      host_.setText(kDirFolder, outputFolder_);
      break;
    case kDirOk: {
      std::string folder = host_.text(kDirFolder);
      while (!folder.empty() && folder.back() == '\\') folder.pop_back();
      outputFolder_ = folder;
      host_.closeDialog(Dialog::Directory);
      host_.note("output folder " + outputFolder_);
      break;
    }
    case kDirCancel:
      host_.closeDialog(Dialog::Directory);
      break;
    case kPcPlay:
      if (busy()) return;
      if (noDialog) {
        host_.note("play on PC: the dialog does not open");
        return;
      }
      host_.openDialog(Dialog::Open, dialogWindow(Dialog::Open),
                       dialogChildren(Dialog::Open, config_));
      break;
    case kOpenOk: {
      std::string source = host_.text(kOpenEdit);
      host_.closeDialog(Dialog::Open);
      if (busy()) return;
      auto size = host_.fileSize(source);
      if (!size) {
        host_.note("open: no file " + source);
        return;
      }
      Job job;
      job.conversion = true;
      job.path = outputFolder_ + "\\" + baseName(source) + ".mpg";
      job.bytes = config_.has(Fault::SmallerOutput) ? *size / 2 : *size;
      job.writes = !config_.has(Fault::NoOutput) && !outputFolder_.empty() &&
                   host_.folderExists(outputFolder_);
      startJob(std::move(job), nowMs);
      break;
    }
    case kOpenCancel:
      host_.closeDialog(Dialog::Open);
      break;
    case kPlay:
      host_.note("play " + std::to_string(host_.selection()));
      break;
    case kStop:
    case kRewind:
    case kFastForward:
    case kFreeze:
    case kSlow:
      host_.note(kPlayNames[id - kPlay]);
      break;
    case kExit:
      host_.note("exit");
      host_.exit();
      break;
    default:
      break;
  }
}

std::string unescapeLineEnds(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size() && (s[i + 1] == 'r' || s[i + 1] == 'n')) {
      out += s[i + 1] == 'r' ? '\r' : '\n';
      ++i;
    } else {
      out += s[i];
    }
  }
  return out;
}

}  // namespace varnolt::standin
