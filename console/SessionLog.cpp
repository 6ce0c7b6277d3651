#include "console/SessionLog.h"

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

// FILE.n: the stem, ".n", the extension ("session.tsv" -> "session.1.tsv").
fs::path RotatedPath(const fs::path& path, unsigned n) {
  fs::path rotated = path;
  const std::string number = "." + IntToStr(n);
  rotated.replace_filename(path.stem().u8string() + std::u8string(number.begin(), number.end()) +
                           path.extension().u8string());
  return rotated;
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
}

void TSessionLog::Open() {
  std::error_code error;
  const std::uintmax_t size = fs::file_size(PathOf(FPath), error);
  FSize = error ? 0 : size;
  FFile.open(PathOf(FPath), std::ios::binary | std::ios::app);
  if (!FFile) throw ESessionLog("Cannot open the log file " + FPath);
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
  if (FSize > 0 && FSize + line.size() > FRotateBytes) Rotate();
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

// Oldest first, so that nothing is overwritten that is still kept.
void TSessionLog::Rotate() {
  FFile.close();
  const fs::path path = PathOf(FPath);
  std::error_code ignored;
  fs::remove(RotatedPath(path, kKeptFiles), ignored);
  for (unsigned n = kKeptFiles - 1; n >= 1; --n) {
    fs::rename(RotatedPath(path, n), RotatedPath(path, n + 1), ignored);
  }
  std::error_code error;
  fs::rename(path, RotatedPath(path, 1), error);
  if (error) throw ESessionLog("Cannot rotate the log file " + FPath + ": " + error.message());
  Open();
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
