#include "console/report/PortRecord.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "console/protocol/DispenserFrames.h"
#include "console/session/SessionLog.h"
#include "platform/runtime/SysUtils.h"

namespace {

constexpr std::string_view kSettingsNote = "run settings: ";
constexpr std::string_view kReleased = "장 방출되었습니다.";
constexpr std::string_view kChecksumLine = "체크섬 오류";

// "12.3 ms" (after `prefix`): the number of milliseconds.
double Milliseconds(std::string_view text, std::string_view prefix) {
  const std::string whole(text);
  if (!text.starts_with(prefix) || !text.ends_with(" ms")) {
    throw EConvertError("'" + whole + "' is no time in milliseconds");
  }
  text = text.substr(prefix.size(), text.size() - prefix.size() - 3);
  double ms = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), ms);
  if (error != std::errc() || end != text.data() + text.size() || !(ms >= 0)) {
    throw EConvertError("'" + whole + "' is no time in milliseconds");
  }
  return ms;
}

void CheckCommand(std::string_view name) {
  if (!FindCommand(name)) throw EConvertError("unknown command '" + std::string(name) + "'");
}

std::vector<std::string_view> Split(std::string_view text, std::string_view separator) {
  std::vector<std::string_view> parts;
  for (std::size_t at; (at = text.find(separator)) != std::string_view::npos;) {
    parts.push_back(text.substr(0, at));
    text.remove_prefix(at + separator.size());
  }
  parts.push_back(text);
  return parts;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The error code an error reply's hex line carries ("0230304532...": "E2"),
// as the run's summary names it; nothing for any other frame.
std::optional<std::string> ErrorCode(std::string_view hex) {
  if (hex.size() < 10 || hex.substr(6, 2) != "45") return std::nullopt;
  const int high = HexDigit(hex[8]), low = HexDigit(hex[9]);
  if (high < 0 || low < 0) return std::nullopt;
  const auto byte = static_cast<std::uint8_t>(high * 16 + low);
  return byte >= 0x20 && byte < 0x7F ? "E" + std::string(1, static_cast<char>(byte))
                                     : "E\\x" + IntToHex(byte, 2);
}

}  // namespace

unsigned TPortRecord::Timeouts() const {
  return static_cast<unsigned>(
      std::count_if(Results.begin(), Results.end(), [](const auto& r) { return r.TimedOut; }));
}

std::int64_t TPortRecord::Notes() const {
  std::int64_t notes = 0;
  for (const std::int64_t n : NotesPerCycle) notes += n;
  return notes;
}

std::vector<double> TPortRecord::ReplyTimes() const {
  std::vector<double> times;
  for (const TCommandResult& r : Results) {
    if (!r.TimedOut) times.push_back(r.Ms);
  }
  std::sort(times.begin(), times.end());
  return times;
}

std::string RunSettingsNote(const std::vector<std::pair<std::string, std::string>>& settings) {
  std::string note(kSettingsNote);
  const char* separator = "";
  for (const auto& [name, value] : settings) {
    note += separator + name + "=" + value;
    separator = "; ";
  }
  return note;
}

unsigned TPortRecordBuilder::Cycle() const {
  return FSent == 0 ? 1 : (FSent - 1) / FRecord.CommandsPerCycle + 1;
}

void TPortRecordBuilder::Add(const TLogLine& line) {
  if (FRecord.Started.empty()) FRecord.Started = line.Time;
  FRecord.Ended = line.Time;
  const std::string_view event = line.Event;
  if (event == LogEventName(leOpened)) {
    if (FRecord.Port.empty()) {
      FRecord.Port = line.Name;
    } else if (std::string(", " + FRecord.Port + ", ").find(", " + std::string(line.Name) + ", ") ==
               std::string::npos) {
      FRecord.Port += ", " + std::string(line.Name);
    }
    FRecord.LineSettings = line.Text;
  } else if (event == LogEventName(leLost)) {
    FRecord.Ending = std::string(line.Name) + ": " + std::string(line.Text);
  } else if (event == LogEventName(leNote)) {
    // The run's summary says whether a stop signal cut it short.
    if (line.Text.starts_with("summary {") && FRecord.Ending.empty() &&
        line.Text.find(R"("interrupted": true)") != std::string_view::npos) {
      FRecord.Ending = "interrupted";
    }
  } else if (event == LogEventName(leSent)) {
    CheckCommand(line.Name);
    ++FSent;
    FRecord.SentCount = FSent;
    if (FRecord.NotesPerCycle.size() < Cycle()) FRecord.NotesPerCycle.resize(Cycle());
  } else if (event == LogEventName(leReply) || event == LogEventName(leNoReply)) {
    CheckCommand(line.Name);
    const bool timedOut = event == LogEventName(leNoReply);
    const double ms = Milliseconds(line.Text, timedOut ? "none within " : "");
    FRecord.Results.push_back(
        {Cycle(), std::string(line.Name), timedOut, ms, !timedOut && FErrorFrame});
    FErrorFrame = false;
  } else if (event == LogEventName(leShown)) {
    Shown(line.Name, line.Text);
  }
}

void TPortRecordBuilder::Shown(std::string_view target, std::string_view text) {
  // A frame shows its raw text (Edit3), then its hex line (Memo1), then what
  // it means; an error reply's meaning is the Memo1 line after its hex.
  const bool hexLine = FAfterEdit3 && target == "Memo1";
  FAfterEdit3 = target == "Edit3";
  if (FAfterEdit3) FErrorFrame = FMeaningNext = false;
  if (FMeaningNext) {
    FMeaningNext = false;
    if (target == "Memo1" && !text.starts_with(kChecksumLine)) {
      FRecord.ErrorReplies.back().Text = text;
      return;
    }
  }
  if (hexLine) {
    if (const auto code = ErrorCode(text)) {
      FRecord.ErrorReplies.push_back({Cycle(), *code, "unknown error code"});
      FErrorFrame = FMeaningNext = true;
    }
    return;
  }
  if (const std::int64_t notes = NotesShown(target, text); notes != 0) {
    if (FRecord.NotesPerCycle.size() < Cycle()) FRecord.NotesPerCycle.resize(Cycle());
    FRecord.NotesPerCycle[Cycle() - 1] += notes;
  }
}

void TPortRecordBuilder::SetSettings(std::string_view text) {
  if (!text.starts_with(kSettingsNote)) throw EConvertError("no run settings");
  text.remove_prefix(kSettingsNote.size());
  FRecord.Settings.clear();
  for (const std::string_view pair : Split(text, "; ")) {
    const std::size_t equals = pair.find('=');
    if (equals == std::string_view::npos) throw EConvertError("run setting without '='");
    FRecord.Settings.emplace_back(pair.substr(0, equals), pair.substr(equals + 1));
    if (pair.substr(0, equals) != "steps") continue;
    const auto steps = Split(pair.substr(equals + 1), ", ");
    const auto commands = std::count_if(
        steps.begin(), steps.end(), [](std::string_view s) { return FindCommand(s).has_value(); });
    FRecord.CommandsPerCycle = std::max<unsigned>(1, static_cast<unsigned>(commands));
  }
}

std::int64_t NotesShown(std::string_view target, std::string_view text) {
  if (target == "dialog" && text.ends_with(kReleased)) {
    text.remove_suffix(kReleased.size());
  } else if (target != "Edit1") {
    return 0;
  }
  try {
    return std::max<std::int64_t>(0, StrToInt(std::string(text)));
  } catch (const EConvertError&) {
    return 0;
  }
}

double Percentile(const std::vector<double>& sorted, double p) {
  const auto rank = static_cast<std::size_t>(std::ceil(p * static_cast<double>(sorted.size())));
  return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}
