#include "tools/sim/FrameLog.h"

#include <cerrno>
#include <cstring>

#include "console/protocol/HexText.h"
#include "platform/runtime/SysUtils.h"
#include "platform/runtime/Timestamp.h"

namespace {

// One log line without its newline: timestamp, what happened, the bytes in
// hex and, if given, a note in parentheses.
std::string LogLine(std::chrono::system_clock::time_point time, std::string_view what,
                    std::span<const std::uint8_t> bytes, std::string_view note) {
  std::string line = WallClockTimestamp(time) + " " + std::string(what);
  line.append(what.size() < 7 ? 7 - what.size() : 0, ' ');
  line += " " + HexText(bytes);
  if (!note.empty()) line += " (" + std::string(note) + ")";
  return line;
}

}  // namespace

TFrameLog::TFrameLog(const std::string& fileName) {
  if (fileName.empty()) return;
  FFile.open(fileName, std::ios::out | std::ios::app);
  if (!FFile) {
    const int error = errno;
    throw Exception("cannot open the log file " + fileName + ": " + std::strerror(error) +
                    " (errno " + IntToStr(error) + ")");
  }
}

void TFrameLog::Write(std::string_view what, std::span<const std::uint8_t> bytes,
                      std::string_view note) {
  if (!FFile.is_open()) return;
  FFile << LogLine(std::chrono::system_clock::now(), what, bytes, note) << std::endl;
}
