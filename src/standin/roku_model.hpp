// The stand-in Rokuraku Controller: the behaviour of the controller's windows as Varnolt
// drives them, free of any window system. A host (the simulated desktop, or a small Win32
// program) creates the windows the model describes, forwards clicks, key presses and time,
// and carries out what the model asks for. Texts are UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace varnolt::standin {

inline constexpr const char* kDefaultTitle = "ロクラクⅡ コントローラ";
inline constexpr const char* kDefaultSize = "100 MB";
inline constexpr int kTrackMax = 100;

enum class Fault {
  NoDetails,         // no details text at all (older controller versions)
  Hung,              // stops answering messages once its window is up
  ExitMidTransfer,   // the process ends halfway through a transfer or conversion
  DialogNeverOpens,  // "受信", "ﾃﾞｨﾚｸﾄﾘ" and "PCで再生" open no dialog
  SmallerOutput,     // a conversion writes a file half the size of its source
  NoOutput,          // a conversion writes no file
  StartFails,        // starting the program reports process id 0 and shows nothing
  NoInterrupt,       // the main window has no "中断" button
  NoTransfer,        // the save dialog is confirmed but nothing is transferred or written
  Elevated,          // runs as administrator: messages from Varnolt are refused (simulation)
};
std::optional<Fault> faultByName(std::string_view name);
const char* faultName(Fault fault);
// All fault names, for usage messages.
std::string faultNames();

struct Recording {
  std::string entry;                // list-box text as it stands, "|"-separated
  std::string size = kDefaultSize;  // as the details text shows it, "850.5 MB"
  // The whole details text when given verbatim; otherwise it is built from the fields.
  std::optional<std::string> details;
};

// One recording from "ENTRY [SIZE]": SIZE is the last two words when they are a number
// followed by MB or GB ("... 850.5 MB"); anything else is all entry, with the default size.
Recording parseRecording(std::string_view text);
// Bytes of a size text: MB counted as 1048576 bytes, GB as 1000 MB (the details text's
// GB is what Varnolt multiplies by 1000). 0 for a text it cannot read.
std::uint64_t sizeBytes(std::string_view sizeText);

struct Config {
  std::string title = kDefaultTitle;
  std::vector<Recording> recordings;
  std::set<Fault> faults;
  // Recordings (1-based list rows) the NoTransfer fault applies to; empty = all.
  std::set<int> noTransferRows;
  // Range of the progress trackbar.
  int rangeMin = 0, rangeMax = kTrackMax;
  int startupMs = 1500;  // from the start of the process to the main window
  int jobMs = 0;         // length of a transfer or conversion; 0 = 1 s per 10 MB, at least 6 s
  // The "再生" button is created (and enumerated) before "PCで再生", whose caption
  // contains it: a control map must tell the two apart by the whole caption.
  bool playFirst = false;
  // The save dialog has a second edit box, created before its file-name box: the name
  // belongs in the last edit box enumerated.
  bool twoEdits = false;
  bool has(Fault f) const { return faults.count(f) > 0; }
};

// One configuration line, the words the scenario verb "controller" takes:
// "title TEXT", "recording ENTRY [SIZE]", "recordings N" (N generated entries
// "k||番組k|2026/12/01 21:00|00:30|HD" of k MB, k counting on from the entries there),
// "details TEXT" (the details text of the last recording, verbatim; \r and \n are CR
// and LF), "fault NAME", "fault notransfer [K]", "startup MS", "job MS", "range MIN MAX",
// "playfirst", "twoedits".
// Returns an error text, empty when the line was taken.
std::string applyConfigLine(Config& config, std::string_view line);

// Window identities. Report names are the names Varnolt's control map gives the
// controls, so a report can be checked against the map directly.
enum Id : int {
  kMain = 1,
  kConnect,
  kHeadLock,
  kHeadTitle,
  kHeadDay,
  kHeadTime,
  kHeadBitRate,
  kList,
  kDetails,
  kReceive,
  kInterrupt,
  kDirectory,
  kPcPlay,
  kPlay,
  kStop,
  kRewind,
  kFastForward,
  kFreeze,
  kSlow,
  kSlider,
  kExit,
  kSaveDialog = 100,
  kSaveLabel,
  kSaveEdit,
  kSaveOk,
  kSaveCancel,
  kSaveOther,  // the save dialog's other edit box ("twoedits"), ignored
  kDirDialog = 200,
  kDirFrame,
  kDirLabel,
  kDirBrowse,
  kDirFolder,  // 4th child: the output folder
  kDirNameLabel,
  kDirNameHint,
  kDirNote,
  kDirName,  // 8th child: emptied by Varnolt, unused here
  kDirOk,
  kDirCancel,
  kOpenDialog = 300,
  kOpenLabel,
  kOpenEdit,
  kOpenOk,
  kOpenCancel,
};

struct WindowDesc {
  int id;
  std::string className;
  std::string caption;
  std::string name;  // report name
};

enum class Dialog { Save, Directory, Open };

// What the model needs of its host.
class Host {
 public:
  virtual ~Host() = default;
  // Opens a top-level dialog with the main window's class and these children, in order.
  virtual void openDialog(Dialog dialog, const WindowDesc& window,
                          const std::vector<WindowDesc>& children) = 0;
  virtual void closeDialog(Dialog dialog) = 0;
  virtual std::string text(int id) = 0;
  virtual void setText(int id, const std::string& text) = 0;
  virtual void setEnabled(int id, bool enabled) = 0;
  virtual void setItems(const std::vector<std::string>& items) = 0;
  virtual int selection() = 0;
  virtual void setSelection(int index) = 0;
  virtual void setTrackbar(int position) = 0;
  virtual bool folderExists(const std::string& windowsPath) = 0;
  virtual std::optional<std::uint64_t> fileSize(const std::string& windowsPath) = 0;
  // Creates the file if needed and sets its length (sparse is fine); false on failure.
  virtual bool resizeFile(const std::string& windowsPath, std::uint64_t bytes) = 0;
  // Stops answering messages for good.
  virtual void hang() = 0;
  // Ends the process once the model call in progress has returned.
  virtual void exit() = 0;
  // One line about what the controller did, for logs and scenario output.
  virtual void note(const std::string& line) = 0;
};

class Controller {
 public:
  Controller(Config config, Host& host);

  const Config& config() const { return config_; }
  static WindowDesc mainWindow(const Config& config);
  // Children of the main window in creation (enumeration) order.
  static std::vector<WindowDesc> mainChildren(const Config& config);
  static std::vector<WindowDesc> dialogChildren(Dialog dialog, const Config& config);
  static WindowDesc dialogWindow(Dialog dialog);

  // The host has created the main window and its children.
  void started(std::int64_t nowMs);
  // BM_CLICK on an enabled button.
  void clicked(int id, std::int64_t nowMs);
  // The list box moved its selection while handling an arrow key.
  void selectionChanged(int index);
  // Time moves on.
  void advance(std::int64_t nowMs);

  bool busy() const { return job_.has_value(); }
  const std::vector<Recording>& recordings() const { return config_.recordings; }
  std::string detailsText(int index) const;
  const std::string& outputFolder() const { return outputFolder_; }

 private:
  struct Job {
    bool conversion = false;
    std::string path;
    std::uint64_t bytes = 0;  // final size of the file
    bool writes = true;       // false: the file is never written
    std::int64_t startMs = 0;
    std::int64_t lengthMs = 0;
    std::uint64_t written = 0;
  };
  void sortBy(int header);
  void startJob(Job job, std::int64_t nowMs);
  void endJob(bool finished);
  void showDetails(int index);
  std::int64_t jobLength(std::uint64_t bytes) const;

  Config config_;
  Host& host_;
  std::optional<Job> job_;
  std::optional<int> pendingDownload_;  // entry chosen when the save dialog opened
  std::string outputFolder_;
  int sortedBy_ = 0;
  bool descending_ = false;
};

// Turns the two-character escapes \r and \n of a one-line text into CR and LF.
std::string unescapeLineEnds(std::string_view text);

}  // namespace varnolt::standin
