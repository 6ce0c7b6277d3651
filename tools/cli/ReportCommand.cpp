// "report LOG... -o FILE": the burn-in report of session logs (a run's
// --log files, the window's logs), one port per log side by side. A line
// that does not read is told by file and line and passed over; the report
// keeps everything else and the exit status is 1.
#include <fstream>

#include "ProjectVersion.h"
#include "console/report/ReportPage.h"
#include "console/report/SessionLogReader.h"
#include "tools/cli/OptionReader.h"

namespace {

constexpr std::size_t kProblemsTold = 20;  // per log; the rest are counted

}  // namespace

int RunReport(TCliArgs args, std::ostream& /*out*/, std::ostream& err) {
  std::vector<std::string> logs;
  std::string output;
  for (TOptionReader options(args); options.Next();) {
    const std::string_view arg = options.Arg();
    const std::string_view name = options.Name();
    if (name == "-o" || name == "--output") {
      output = options.Value();
      if (output.empty()) throw ECliUsage(std::string(name) + " needs a file name");
    } else if (arg.starts_with("-")) {
      throw ECliUsage("unknown option '" + std::string(arg) + "'");
    } else {
      logs.emplace_back(arg);
    }
  }
  if (logs.empty()) throw ECliUsage("report needs a session log");
  if (output.empty()) throw ECliUsage("-o FILE is missing");

  TRunReport report{"dispenser-cli " + std::string(kProjectVersion), "", {}, {}};
  bool malformed = false;
  for (const std::string& log : logs) {
    TLogReading reading = ReadSessionLog(log);
    for (std::size_t i = 0; i < reading.Problems.size(); ++i) {
      if (i == kProblemsTold) {
        err << "dispenser-cli: " << log << ": " << reading.Problems.size() - i
            << " more lines that do not read" << std::endl;
        break;
      }
      err << "dispenser-cli: " << reading.Problems[i] << std::endl;
    }
    malformed = malformed || !reading.Problems.empty();
    if (reading.Record.Port.empty()) reading.Record.Port = log;
    std::string about;
    for (const std::string& line : reading.About) about += (about.empty() ? "" : " · ") + line;
    if (!about.empty()) report.About.emplace_back("log " + log, about);
    report.Source += (report.Source.empty() ? "session log " : ", ") + log;
    report.Ports.push_back(std::move(reading.Record));
  }
  std::ofstream file(output, std::ios::binary | std::ios::trunc);
  if (file) WriteReportPage(report, file);
  if (!file.flush()) throw Exception("cannot write the report " + output);
  return malformed ? cxFailure : cxOk;
}
