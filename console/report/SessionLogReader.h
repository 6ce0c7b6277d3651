// Reads a session log file (the window's or dispenser-cli run's) back into
// the report's record of its port. A line that does not read is named by
// file and line and passed over: everything else is kept.
#pragma once

#include <string>
#include <vector>

#include "console/report/PortRecord.h"

struct TLogReading {
  TPortRecord Record;
  std::vector<std::string> About;     // the header's "# " lines but the settings, without "# "
  std::vector<std::string> Problems;  // "FILE:LINE: what is wrong", in order
};

// Raises Exception naming the file when it cannot be read at all.
TLogReading ReadSessionLog(const std::string& path);
