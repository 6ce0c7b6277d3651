// The burn-in report's SVG charts of one port, each followed by its legend
// or figures: reply time over the run (a circle of class "reply" per reply,
// also "error-reply" for an error reply, a line of class "timeout" per
// time-out), the histogram of reply times (a rect of class "bin" per bar)
// with min, median, p99 and max, and the notes dispensed per cycle.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "console/report/PortRecord.h"

void WriteTimeline(std::ostream& out, const TPortRecord& port);
// `times` sorted.
void WriteHistogram(std::ostream& out, const std::vector<double>& times, const std::string& port);
void WriteNotesChart(std::ostream& out, const TPortRecord& port);

// A time as the report writes it: "12.34 ms".
std::string MsText(double ms);
