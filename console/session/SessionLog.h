// The session log file: one line per event of a session with the dispenser
// (port opened, closed or lost, a frame sent, a block received, what the
// window showed, a reply time, an error, what the line did), each with its local time to the
// millisecond. Plain UTF-8, tab-separated under a header line, so that a
// spreadsheet splits it; every line is handed to the system as it is
// written, and the file is rotated by size. The window and dispenser-cli run
// write the same format.
#pragma once

#include <chrono>
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/runtime/SysUtils.h"

// What a line records: its second column.
enum TLogEvent : std::uint8_t {
  leNote,          // about the session itself (settings restored, a rotation that failed)
  leOpened,        // NAME the port, TEXT its line settings
  leClosed,        // NAME the port
  leLost,          // NAME the port, TEXT what happened
  leSent,          // NAME the command, HEX its frame
  leReceived,      // HEX a block as read
  leShown,         // NAME the control (Memo1, Edit1, Edit2, Edit3, dialog), TEXT what it shows
  leReply,         // NAME the command, TEXT the reply time ("12.34 ms")
  leNoReply,       // NAME the command, TEXT the time waited
  leError,         // TEXT the error's message
  leUnmatched,     // HEX a reply frame that answers no waiting command
  leReopenFailed,  // NAME the port, TEXT why a lost device's port did not open again
  leLine,  // NAME the line event ("framing-error"), TEXT as shown ("framing error × 3 in 1 s")
};

// The event's name in the file: "note", "opened", "closed", "lost", "sent",
// "received", "shown", "reply", "no-reply", "error", "unmatched",
// "reopen-failed", "line".
const char* LogEventName(TLogEvent event);

// A log file that cannot be written: names the file and what failed.
class ESessionLog : public Exception {
 public:
  using Exception::Exception;
};

class TSessionLog {
 public:
  // When a file grows past this it is rotated: FILE becomes FILE.1 (an
  // older FILE.1 becomes FILE.2, and so on), and FILE starts again with the
  // header. Keeps at most kKeptFiles rotated files. A rotation never
  // renames onto a file that is kept; one that cannot rename leaves the
  // files as they are, and FILE goes on growing (TakeNotice says so once).
  static constexpr std::uint64_t kRotateBytes = 16 * 1024 * 1024;
  static constexpr unsigned kKeptFiles = 9;

  // Creates the file's folder if it is missing, and the file (an existing
  // one is continued), and writes the header: a "# " line for each of
  // `about` (the program, when the session began, ...) and the column
  // names. Raises ESessionLog.
  TSessionLog(std::string path, std::vector<std::string> about,
              std::uint64_t rotateBytes = kRotateBytes);

  // One line. Tabs and line breaks inside a field become blanks. Raises
  // ESessionLog when the line cannot be written (the log is then closed).
  void Write(TLogEvent event, std::string_view name, std::string_view hex = {},
             std::string_view text = {});

  // What the log could not do but went on without (a rotation that
  // failed), once; empty when there is nothing (more) to tell.
  std::string TakeNotice() { return std::exchange(FNotice, {}); }

  const std::string& Path() const { return FPath; }
  bool IsOpen() const { return FFile.is_open(); }

  // The column names, tab-separated: "time", "event", "name", "hex", "text".
  static const char* ColumnLine();

 private:
  void Open();
  void WriteHeader();
  void Rotate();
  void Put(const std::string& line);

  std::string FPath;
  std::vector<std::string> FAbout;
  std::uint64_t FRotateBytes;
  std::ofstream FFile;
  std::uint64_t FSize = 0;
  bool FRotationFailed = false;
  std::string FNotice;
};

// The folder where the window keeps its session logs: the per-user state
// folder's "logs" ($XDG_STATE_HOME/dispenser-console/logs on Linux,
// %LOCALAPPDATA%\dispenser-console\logs on Windows). Raises Exception when
// the system names none.
std::string SessionLogFolder();

// A new file name in `folder` for a session beginning at `time`:
// "session-20240502-140307.tsv", with "-2", "-3", ... when it is taken.
std::string NewSessionLogPath(const std::string& folder,
                              std::chrono::system_clock::time_point time);
