#include "standin/roku_model.hpp"

#include <algorithm>
#include <cctype>
#include <utility>

namespace varnolt::standin {

namespace {

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

// ---------------------------------------------------------------- windows

WindowDesc Controller::mainWindow(const Config& config) {
  return {kMain, kMainClass, config.title, "main"};
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

std::vector<std::string> Controller::entries() const {
  std::vector<std::string> items;
  for (const auto& r : config_.recordings) items.push_back(r.entry);
  return items;
}

void Controller::started(std::int64_t) {
  const auto items = entries();
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

void Controller::sortBy(const Press& press) {
  const int header = press.button;
  const std::size_t column = static_cast<std::size_t>(header - kHeadLock) + 2;
  descending_ = sortedBy_ == header ? !descending_ : false;
  sortedBy_ = header;
  std::stable_sort(config_.recordings.begin(), config_.recordings.end(),
                   [&](const Recording& a, const Recording& b) {
                     auto x = field(fields(a.entry), column), y = field(fields(b.entry), column);
                     return descending_ ? y < x : x < y;
                   });
  const auto items = entries();
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
  using Action = void (Controller::*)(const Press&);
  static constexpr struct {
    int button;
    Action action;
  } kButtons[] = {
      {kConnect, &Controller::connect},
      {kHeadLock, &Controller::sortBy},
      {kHeadTitle, &Controller::sortBy},
      {kHeadDay, &Controller::sortBy},
      {kHeadTime, &Controller::sortBy},
      {kHeadBitRate, &Controller::sortBy},
      {kReceive, &Controller::receive},
      {kSaveOk, &Controller::save},
      {kSaveCancel, &Controller::cancelSave},
      {kInterrupt, &Controller::interrupt},
      {kDirectory, &Controller::openDirectory},
      {kDirOk, &Controller::setDirectory},
      {kDirCancel, &Controller::cancelDirectory},
      {kPcPlay, &Controller::playOnPc},
      {kOpenOk, &Controller::convert},
      {kOpenCancel, &Controller::cancelOpen},
      {kPlay, &Controller::play},
      {kStop, &Controller::playControl},
      {kRewind, &Controller::playControl},
      {kFastForward, &Controller::playControl},
      {kFreeze, &Controller::playControl},
      {kSlow, &Controller::playControl},
      {kExit, &Controller::exitProgram},
  };
  for (const auto& b : kButtons)
    if (b.button == id) return (this->*b.action)({id, nowMs});
}

void Controller::connect(const Press&) {
  host_.setItems(entries());
  host_.note("connect");
}

void Controller::receive(const Press&) {
  if (busy()) return;
  int sel = host_.selection();
  if (sel < 0 || sel >= static_cast<int>(config_.recordings.size())) {
    host_.note("receive without a selection");
    return;
  }
  if (config_.has(Fault::DialogNeverOpens)) {
    host_.note("receive: the dialog does not open");
    return;
  }
  pendingDownload_ = sel;
  host_.openDialog(Dialog::Save, dialogWindow(Dialog::Save), dialogChildren(Dialog::Save, config_));
}

void Controller::save(const Press& press) {
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
  startJob(std::move(job), press.nowMs);
}

void Controller::cancelSave(const Press&) {
  pendingDownload_.reset();
  host_.closeDialog(Dialog::Save);
}

void Controller::interrupt(const Press&) {
  endJob(false);
}

void Controller::openDirectory(const Press&) {
  if (config_.has(Fault::DialogNeverOpens)) {
    host_.note("directory: the dialog does not open");
    return;
  }
  host_.openDialog(Dialog::Directory, dialogWindow(Dialog::Directory),
                   dialogChildren(Dialog::Directory, config_));
  host_.setText(kDirFolder, outputFolder_);
}

void Controller::setDirectory(const Press&) {
  std::string folder = host_.text(kDirFolder);
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  outputFolder_ = folder;
  host_.closeDialog(Dialog::Directory);
  host_.note("output folder " + outputFolder_);
}

void Controller::cancelDirectory(const Press&) {
  host_.closeDialog(Dialog::Directory);
}

void Controller::playOnPc(const Press&) {
  if (busy()) return;
  if (config_.has(Fault::DialogNeverOpens)) {
    host_.note("play on PC: the dialog does not open");
    return;
  }
  host_.openDialog(Dialog::Open, dialogWindow(Dialog::Open), dialogChildren(Dialog::Open, config_));
}

void Controller::convert(const Press& press) {
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
  job.writes =
      !config_.has(Fault::NoOutput) && !outputFolder_.empty() && host_.folderExists(outputFolder_);
  startJob(std::move(job), press.nowMs);
}

void Controller::cancelOpen(const Press&) {
  host_.closeDialog(Dialog::Open);
}

void Controller::play(const Press&) {
  host_.note("play " + std::to_string(host_.selection()));
}

void Controller::playControl(const Press& press) {
  host_.note(kPlayNames[press.button - kPlay]);
}

void Controller::exitProgram(const Press&) {
  host_.note("exit");
  host_.exit();
}

}  // namespace varnolt::standin
