// The stand-in Rokuraku Controller's configuration: what it shows (title, recordings,
// details texts), how it misbehaves (faults) and how long things take, read from the
// lines the scenario verb "controller" takes and the Win32 stand-in's RokuCtrl.ini holds.
// Texts are UTF-8.
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
// "playfirst", "twoedits". Numbers are decimal digits that fit their setting.
// Returns an error text, empty when the line was taken.
std::string applyConfigLine(Config& config, std::string_view line);

// Turns the two-character escapes \r and \n of a one-line text into CR and LF.
std::string unescapeLineEnds(std::string_view text);

}  // namespace varnolt::standin
