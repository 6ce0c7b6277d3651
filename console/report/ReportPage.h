// The burn-in report as one self-contained HTML page, drawn by us in inline
// SVG with no script, font or picture from elsewhere: per port the reply
// time over the run (time-outs and error replies marked where they came), a
// histogram of reply times with min/median/p99/max, the notes dispensed per
// cycle and the error replies with their text and cycle; the ports side by
// side under a summary with their total, the run's settings and the program.
#pragma once

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "console/report/PortRecord.h"

struct TRunReport {
  std::string Program;  // "dispenser-cli 1.4.0"
  std::string Source;   // what it was made from: "dispenser-cli run", "session log a.tsv"
  std::vector<std::pair<std::string, std::string>> About;  // more rows for the settings table
  std::vector<TPortRecord> Ports;
};

// The charts' elements carry classes a reader (or a test) can count: see
// ReportCharts.h. Each port is a section of class "port".
void WriteReportPage(const TRunReport& report, std::ostream& out);
