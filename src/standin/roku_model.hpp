// The stand-in Rokuraku Controller: the behaviour of the controller's windows as Varnolt
// drives them, free of any window system. A host (the simulated desktop, or a small Win32
// program) creates the windows the model describes, forwards clicks, key presses and time,
// and carries out what the model asks for. Texts are UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "standin/roku_config.hpp"

namespace varnolt::standin {

// The window class of the controller's main window and of its dialogs.
inline constexpr const char* kMainClass = "RokuCtrlWindow";

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
  // A press on one of its buttons, and what each button does.
  struct Press {
    int button;
    std::int64_t nowMs;
  };
  void connect(const Press& press);
  void sortBy(const Press& press);  // a column header
  void receive(const Press& press);
  void save(const Press& press);
  void cancelSave(const Press& press);
  void interrupt(const Press& press);
  void openDirectory(const Press& press);
  void setDirectory(const Press& press);
  void cancelDirectory(const Press& press);
  void playOnPc(const Press& press);
  void convert(const Press& press);
  void cancelOpen(const Press& press);
  void play(const Press& press);
  void playControl(const Press& press);  // stop, rewind, fast forward, freeze, slow
  void exitProgram(const Press& press);

  std::vector<std::string> entries() const;  // the list box's items, in list order
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

}  // namespace varnolt::standin
