#include "console/session/SessionLog.h"

#include <filesystem>
#include <system_error>

#include "platform/runtime/FileIO.h"
#include "platform/runtime/Timestamp.h"
#include "platform/runtime/UserFolders.h"

namespace {

namespace fs = std::filesystem;

fs::path PathOf(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// FILE.n: the stem, ".n", the extension ("session.tsv" -> "session.1.tsv").
fs::path RotatedPath(const fs::path& path, unsigned n) {
  fs::path rotated = path;
  const std::string number = "." + IntToStr(n);
  rotated.replace_filename(path.stem().u8string() + std::u8string(number.begin(), number.end()) +
                           path.extension().u8string());
  return rotated;
}

// Frees the name FILE.1 without renaming onto a kept file: the rotated
// files up to the first free number move up one; the oldest is dropped
// only when every number is taken. Returns what failed, or nothing.
std::string MakeRoomForRotated(const fs::path& path, unsigned kept) {
  std::error_code error;
  unsigned free = 1;
  while (free <= kept && fs::exists(fs::symlink_status(RotatedPath(path, free), error))) ++free;
  if (free > kept) {
    free = kept;
    fs::remove(RotatedPath(path, free), error);
    if (error) return "cannot remove " + Utf8(RotatedPath(path, free)) + ": " + error.message();
  }
  for (unsigned n = free; n > 1; --n) {
    fs::rename(RotatedPath(path, n - 1), RotatedPath(path, n), error);
    if (error) return "cannot rename " + Utf8(RotatedPath(path, n - 1)) + ": " + error.message();
  }
  return {};
}

void AppendField(std::string& line, std::string_view field) {
  line += '\t';
  for (const char c : field) line += (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
}

}  // namespace

const char* LogEventName(TLogEvent event) {
  switch (event) {
    case leNote:
      return "note";
    case leOpened:
      return "opened";
    case leClosed:
      return "closed";
    case leLost:
      return "lost";
    case leSent:
      return "sent";
    case leReceived:
      return "received";
    case leShown:
      return "shown";
    case leReply:
      return "reply";
    case leNoReply:
      return "no-reply";
    case leError:
      return "error";
    case leUnmatched:
      return "unmatched";
    case leReopenFailed:
      return "reopen-failed";
    case leLine:
      return "line";
  }
  return "?";
}

const char* TSessionLog::ColumnLine() {
  return "time\tevent\tname\thex\ttext";
}

TSessionLog::TSessionLog(std::string path, std::vector<std::string> about,
                         std::uint64_t rotateBytes)
    : FPath(std::move(path)), FAbout(std::move(about)), FRotateBytes(rotateBytes) {
  try {
    FileIO::MakeDirectories(FileIO::DirectoryOf(FPath));
  } catch (const EFileError& e) {
    throw ESessionLog("Cannot create the folder of the log file " + FPath + ": " + e.Message());
  }
  Open();
  WriteHeader();
}

void TSessionLog::Open() {
  std::error_code error;
  const std::uintmax_t size = fs::file_size(PathOf(FPath), error);
  FSize = error ? 0 : size;
  FFile.open(PathOf(FPath), std::ios::binary | std::ios::app);
  if (!FFile) throw ESessionLog("Cannot open the log file " + FPath);
}

void TSessionLog::WriteHeader() {
  std::string header;
  for (const std::string& line : FAbout) header += "# " + line + "\n";
  Put(header + ColumnLine() + "\n");
}

void TSessionLog::Write(TLogEvent event, std::string_view name, std::string_view hex,
                        std::string_view text) {
  if (!FFile.is_open()) return;
  std::string line = WallClockTimestamp(std::chrono::system_clock::now());
  AppendField(line, LogEventName(event));
  AppendField(line, name);
  AppendField(line, hex);
  AppendField(line, text);
  line += '\n';
  if (!FRotationFailed && FSize > 0 && FSize + line.size() > FRotateBytes) Rotate();
  Put(line);
}

void TSessionLog::Put(const std::string& line) {
  FFile.write(line.data(), static_cast<std::streamsize>(line.size()));
  FFile.flush();
  if (!FFile) {
    FFile.close();
    throw ESessionLog("Cannot write to the log file " + FPath);
  }
  FSize += line.size();
}

void TSessionLog::Rotate() {
  FFile.close();
  const fs::path path = PathOf(FPath);
  std::string problem = MakeRoomForRotated(path, kKeptFiles);
  if (problem.empty()) {
    std::error_code error;
    fs::rename(path, RotatedPath(path, 1), error);
    if (error) problem = error.message();
  }
  Open();
  if (problem.empty()) return WriteHeader();
  // The file goes on: a later rotation would meet the same obstacle.
  FRotationFailed = true;
  FNotice = "Cannot rotate the log file " + FPath + " (" + problem + "); it goes on growing";
}

std::string SessionLogFolder() {
  return UserStateFolder() + "/logs";
}

std::string NewSessionLogPath(const std::string& folder,
                              std::chrono::system_clock::time_point time) {
  // "2024-05-02 14:03:07.415" -> "20240502-140307"
  std::string stamp;
  for (const char c : WallClockTimestamp(time).substr(0, 19)) {
    if (c == ' ') {
      stamp += '-';
    } else if (c != '-' && c != ':') {
      stamp += c;
    }
  }
  const std::string base = folder + "/session-" + stamp;
  std::string path = base + ".tsv";
  for (unsigned n = 2; fs::exists(PathOf(path)); ++n) path = base + "-" + IntToStr(n) + ".tsv";
  return path;
}
