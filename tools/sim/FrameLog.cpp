#include "tools/sim/FrameLog.h"

#include <cerrno>
#include <cstring>
#include <ctime>

#include "console/HexText.h"
#include "platform/runtime/SysUtils.h"

std::string LogTimestamp(std::chrono::system_clock::time_point time) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count() % 1000;
  return std::string(text) + "." + std::string(ms < 100 ? (ms < 10 ? "00" : "0") : "") +
         IntToStr(ms);
}

std::string LogLine(std::chrono::system_clock::time_point time, std::string_view what,
                    std::span<const std::uint8_t> bytes, std::string_view note) {
  std::string line = LogTimestamp(time) + " " + std::string(what);
  line.append(what.size() < 7 ? 7 - what.size() : 0, ' ');
  line += " " + HexText(bytes);
  if (!note.empty()) line += " (" + std::string(note) + ")";
  return line;
}

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
