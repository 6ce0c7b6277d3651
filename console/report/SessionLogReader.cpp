#include "console/report/SessionLogReader.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>

#include "console/session/SessionLog.h"
#include "platform/runtime/SysUtils.h"

namespace {

// "YYYY-MM-DD HH:MM:SS.mmm"
bool IsTimestamp(std::string_view text) {
  constexpr std::string_view kForm = "0000-00-00 00:00:00.000";
  if (text.size() != kForm.size()) return false;
  for (std::size_t i = 0; i < kForm.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (kForm[i] == '0' ? !digit : text[i] != kForm[i]) return false;
  }
  return true;
}

// The line's fields; a later program's extra columns are passed over.
std::optional<TLogLine> Fields(std::string_view line) {
  std::string_view fields[5];
  for (std::size_t i = 0; i < 5; ++i) {
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos && i < 4) return std::nullopt;
    fields[i] = line.substr(0, tab);
    line = tab == std::string_view::npos ? std::string_view() : line.substr(tab + 1);
  }
  return TLogLine{fields[0], fields[1], fields[2], fields[3], fields[4]};
}

}  // namespace

TLogReading ReadSessionLog(const std::string& path) {
  std::ifstream in(std::filesystem::path(std::u8string(path.begin(), path.end())),
                   std::ios::binary);
  if (!in) throw Exception("cannot read the session log " + path);
  TLogReading reading;
  TPortRecordBuilder builder;
  std::size_t number = 0;
  for (std::string text; std::getline(in, text);) {
    ++number;
    if (text.ends_with('\r')) text.pop_back();
    if (text.starts_with("# ")) {
      try {
        builder.SetSettings(std::string_view(text).substr(2));
      } catch (const EConvertError&) {
        if (std::find(reading.About.begin(), reading.About.end(), text.substr(2)) ==
            reading.About.end()) {
          reading.About.push_back(text.substr(2));
        }
      }
      continue;
    }
    if (text == TSessionLog::ColumnLine() || text.empty()) continue;
    std::string problem;
    const auto line = Fields(text);
    if (!line) {
      problem = "not five tab-separated fields";
    } else if (!IsTimestamp(line->Time)) {
      problem = "'" + std::string(line->Time) + "' is no time stamp";
    } else {
      try {
        builder.Add(*line);
      } catch (const EConvertError& error) {
        problem = std::string(line->Event) + ": " + error.Message();
      }
    }
    if (!problem.empty()) {
      reading.Problems.push_back(path + ":" + IntToStr(static_cast<std::int64_t>(number)) + ": " +
                                 problem);
    }
  }
  if (in.bad()) throw Exception("cannot read the session log " + path);
  reading.Record = builder.Take();
  return reading;
}
