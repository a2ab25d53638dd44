// The night's journal: what an interrupted night still has to do, kept beside the
// program in night.ini (CP932, CR LF), one "Key=value" line each, values "|"-separated
// (a controller entry and a Windows path never hold "|").
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/form1.hpp"

namespace varnolt {

inline constexpr const char* kJournalFile = "night.ini";

struct NightJournal {
  // The choices the night uses.
  int check1 = 0, check2 = 0;
  EndOfWork endOfWork = EndOfWork::None;
  // The tally so far, so that the summary at the end tells the whole night.
  int downloaded = 0, converted = 0;
  std::vector<std::string> failed;
  struct Recording {
    NightTally::Outcome outcome = NightTally::Outcome::Todo;
    // Identity on the recorder: columns 3, 4 and 5 of the list as read.
    std::string title, recorded, length;
    // Column 8: the .mpg folder of its conversion.
    std::string mpgFolder;
    // The file the transfer was being saved to, without ".m2t" (Saving only).
    std::string savedTo;
  };
  std::vector<Recording> recordings;
  struct Conversion {
    bool checked = true;
    std::string status, m2tPath, mpgFolder;
    // The row the conversion run was at.
    bool current = false;
  };
  std::vector<Conversion> conversions;

  // Recordings still to download and conversions still to run.
  int recordingsLeft() const;
  int conversionsLeft() const;
};

// The journal's text (UTF-8) and back; nullopt for a text that is not a journal.
std::string journalText(const NightJournal& j);
std::optional<NightJournal> parseJournal(std::string_view text);

}  // namespace varnolt
