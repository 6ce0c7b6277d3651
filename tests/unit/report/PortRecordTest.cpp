// The burn-in report's record of a port as the session log's lines give it,
// a log file with lines that do not read, and text made safe for the page.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "console/report/HtmlText.h"
#include "console/report/ReportPage.h"
#include "console/report/SessionLogReader.h"
#include "platform/runtime/SysUtils.h"

namespace {

constexpr const char* kTime = "2026-12-08 06:00:00.000";

// A log's data lines from "EVENT|NAME|TEXT" lines (the hex column empty).
std::string LogLines(std::initializer_list<const char*> lines) {
  std::string text;
  for (const std::string line : lines) {
    const std::size_t a = line.find('|'), b = line.find('|', a + 1);
    text += std::string(kTime) + "\t" + line.substr(0, a) + "\t" + line.substr(a + 1, b - a - 1) +
            "\t\t" + line.substr(b + 1) + "\n";
  }
  return text;
}

std::string Describe(const TPortRecord& r) {
  std::ostringstream d;
  d << "sent " << r.SentCount << ", per cycle " << r.CommandsPerCycle << ";";
  for (const TCommandResult& c : r.Results) {
    d << " " << c.Cycle << ":" << c.Command << (c.TimedOut ? "=timeout" : "=") << c.Ms
      << (c.ErrorReply ? "!" : "");
  }
  d << "; errors";
  for (const TErrorReplyRow& e : r.ErrorReplies)
    d << " " << e.Cycle << ":" << e.Code << "=" << e.Text;
  d << "; notes";
  for (const std::int64_t n : r.NotesPerCycle) d << " " << n;
  if (!r.Ending.empty()) d << "; " << r.Ending;
  return d.str();
}

struct TScratchFile {
  std::string Path = (std::filesystem::temp_directory_path() /
                      ("report-test-" +
                       std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".tsv"))
                         .string();
  ~TScratchFile() { std::filesystem::remove(Path); }
};

}  // namespace

TEST(PortRecord, IsReadFromTheLinesTheSessionLogRecords) {
  const std::string settings =
      "run settings: repeat=2; interval=0 ms; steps=dispense, wait 50 ms, count-query";
  const struct {
    const char* Name;
    std::string Settings;
    std::string Lines;
    std::string Record;
  } cases[] = {
      {"two commands a cycle, a jam with its notes and meaning, a time-out", settings,
       LogLines({"sent|dispense|", "shown|Edit3|x", "shown|Memo1|02303062303031308503",
                 "shown|Edit1|10", "reply|dispense|1.25 ms", "sent|count-query|",
                 "reply|count-query|0.5 ms", "sent|dispense|", "shown|Edit3|x",
                 "shown|Memo1|02303045323034330303", "shown|Memo1|jam 1 or jam 2.",
                 "shown|dialog|3장 방출되었습니다.", "reply|dispense|2 ms", "sent|count-query|",
                 "no-reply|count-query|none within 300.0 ms"}),
       "sent 4, per cycle 2; 1:dispense=1.25 1:count-query=0.5 2:dispense=2! "
       "2:count-query=timeout300; errors 2:E2=jam 1 or jam 2.; notes 10 3"},
      {"the window's log: a cycle per command, a code it does not know, a checksum line", "",
       LogLines({"sent|state-query|", "shown|Edit3|x", "shown|Memo1|02303045A0304330FF03",
                 "shown|Memo1|체크섬 오류: 받음 FF, 계산 03", "reply|state-query|4 ms",
                 "line|DSR|on", "sent|state-query|", "reply|state-query|12.34 ms",
                 "note||summary {\"sent\": 2, \"interrupted\": true}"}),
       "sent 2, per cycle 1; 1:state-query=4! 2:state-query=12.34; errors 1:E\\xA0=unknown "
       "error code; notes 0 0; interrupted"},
  };
  for (const auto& c : cases) {
    TPortRecordBuilder builder;
    if (!c.Settings.empty()) builder.SetSettings(c.Settings);
    std::istringstream lines(c.Lines);
    for (std::string line; std::getline(lines, line);) {
      std::vector<std::string_view> f;
      for (std::size_t at = 0, tab; f.size() < 5; at = tab + 1) {
        tab = std::min(line.find('\t', at), line.size());
        f.emplace_back(line.data() + at, tab - at);
      }
      builder.Add({f[0], f[1], f[2], f[3], f[4]});
    }
    EXPECT_EQ(Describe(builder.Record()), c.Record) << c.Name;
  }
}

TEST(PortRecord, ALogsLinesThatDoNotReadAreNamedAndTheRestIsKept) {
  TScratchFile file;
  std::ofstream(file.Path) << "# dispenser-cli run log\n# run settings: steps=dispense\n"
                           << "time\tevent\tname\thex\ttext\n"
                           << LogLines({"opened|/dev/ttyS0|9600", "sent|dispense|"}) << kTime
                           << "\treply\tdispense\t\tfast\n"  // 6: no time
                           << LogLines({"sent|dispense|"})
                           << "yesterday\tsent\tdispense\t\t\n"  // 8: no time stamp
                           << kTime << "\tsent\tfly\t\t\n"       // 9: no command
                           << LogLines({"reply|dispense|3.5 ms"}) << kTime
                           << "\trepl";  // 11: cut off
  const TLogReading reading = ReadSessionLog(file.Path);
  EXPECT_EQ(reading.Problems,
            (std::vector<std::string>{file.Path + ":6: reply: 'fast' is no time in milliseconds",
                                      file.Path + ":8: 'yesterday' is no time stamp",
                                      file.Path + ":9: sent: unknown command 'fly'",
                                      file.Path + ":11: not five tab-separated fields"}));
  EXPECT_EQ(Describe(reading.Record), "sent 2, per cycle 1; 2:dispense=3.5; errors; notes 0 0");
  EXPECT_EQ(reading.Record.Port, "/dev/ttyS0");
  EXPECT_EQ(reading.About, std::vector<std::string>{"dispenser-cli run log"});
  EXPECT_THROW(ReadSessionLog(file.Path + ".missing"), Exception);
}

TEST(HtmlText, MarkupAndWhatIsNoTextBecomeSafe) {
  const std::pair<std::string, std::string> cases[] = {
      {"<script>a&b</script>", "&lt;script&gt;a&amp;b&lt;/script&gt;"},
      {"\"x\" 'y'", "&quot;x&quot; &#39;y&#39;"},
      {"대기상태 ␂\t\n", "대기상태 ␂\t\n"},
      {std::string("a\0b\x1B\x7F", 5), "a\uFFFDb\uFFFD\uFFFD"},
      {"\xC0\xAF", "\uFFFD\uFFFD"},            // an overlong '/'
      {"\xED\xA0\x80", "\uFFFD\uFFFD\uFFFD"},  // a surrogate
      {"\xE2\x82", "\uFFFD\uFFFD"},            // cut off
      {"\x80<", "\uFFFD&lt;"},
  };
  for (const auto& [text, safe] : cases) EXPECT_EQ(HtmlText(text), safe) << text;
}

// What the device or the log said reaches the page only escaped.
TEST(ReportPage, EveryTextFromOutsideIsEscaped) {
  TRunReport report{"dispenser-cli 1", "<src>", {{"<k>", "<v>"}}, {}};
  TPortRecord& port = report.Ports.emplace_back();
  port.Port = "<port>";
  port.Settings = {{"steps", "<steps>"}};
  port.Results = {{1, "<cmd>", false, 1.0, true}, {2, "<cmd>", true, 300, false}};
  port.ErrorReplies = {{1, "E<", "<b>jam</b>"}};
  std::ostringstream page;
  WriteReportPage(report, page);
  const std::string html = page.str();
  for (const char* raw : {"<src>", "<k>", "<v>", "<port>", "<steps>", "<cmd>", "E<", "<b>"}) {
    EXPECT_EQ(html.find(raw), std::string::npos) << raw;
  }
  EXPECT_NE(html.find("&lt;b&gt;jam&lt;/b&gt;"), std::string::npos);
  EXPECT_EQ(html.find("<script"), std::string::npos);
  EXPECT_EQ(html.find("http:"), std::string::npos);  // nothing from elsewhere
}
