// What the burn-in report shows of one port: each command's outcome by
// cycle, the error replies, the notes dispensed per cycle, the run's
// settings. Built line by line from the events a session log records, so a
// report made during a run and one read back from its log are the same.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct TCommandResult {
  unsigned Cycle = 1;  // from 1
  std::string Command;
  bool TimedOut = false;  // no whole reply came
  double Ms = 0;          // the reply time; for a time-out the time waited
  bool ErrorReply = false;
};

struct TErrorReplyRow {
  unsigned Cycle = 1;
  std::string Code;  // "E2"
  std::string Text;  // what the console shows for it
};

struct TPortRecord {
  std::string Port;          // as opened; several names joined by ", "
  std::string LineSettings;  // "9600 8N1 ..."
  // The run's settings as its first note gives them ("repeat": "200").
  std::vector<std::pair<std::string, std::string>> Settings;
  std::string Started, Ended;  // wall-clock times of the first and last line
  std::string Ending;          // what cut the run short ("PORT: the device is gone (...)",
                               // "interrupted")
  unsigned SentCount = 0;
  std::vector<TCommandResult> Results;  // one per command that got its reply or timed out
  std::vector<TErrorReplyRow> ErrorReplies;
  std::vector<std::int64_t> NotesPerCycle;  // [cycle - 1]
  unsigned CommandsPerCycle = 1;            // from the settings' steps; 1 without them

  unsigned Timeouts() const;
  std::int64_t Notes() const;
  // The reply times, sorted.
  std::vector<double> ReplyTimes() const;
};

// One line of a session log, its fields as written.
struct TLogLine {
  std::string_view Time, Event, Name, Hex, Text;
};

// A run's settings as a line of its log's header: "run settings:
// repeat=200; interval=0 ms; ...; steps=dispense, wait 50 ms, count-query".
// The steps tell how many commands make a cycle.
std::string RunSettingsNote(const std::vector<std::pair<std::string, std::string>>& settings);

class TPortRecordBuilder {
 public:
  // The run's settings, as RunSettingsNote wrote them (the run's log has
  // them in its header).
  void SetSettings(std::string_view note);
  // Takes in one line. Events it does not know (a later program's) are
  // passed over; a known one whose fields do not read raises EConvertError
  // saying what is wrong.
  void Add(const TLogLine& line);
  const TPortRecord& Record() const { return FRecord; }
  TPortRecord Take() { return std::move(FRecord); }

 private:
  void Shown(std::string_view target, std::string_view text);
  unsigned Cycle() const;

  TPortRecord FRecord;
  unsigned FSent = 0;
  bool FAfterEdit3 = false;   // a frame's raw text came: its hex line is next
  bool FErrorFrame = false;   // the latest frame was an error reply
  bool FMeaningNext = false;  // the line after an error reply's hex says what it means
};

// The notes a line the console shows says left the machine: a dispense
// reply's count (Edit1), an error reply's dialog ("4장 방출되었습니다."); else 0.
std::int64_t NotesShown(std::string_view target, std::string_view text);

// Nearest rank: the smallest value with at least share p of them at or below it.
double Percentile(const std::vector<double>& sorted, double p);
