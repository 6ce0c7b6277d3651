// The frames dispenser-sim received, read from its --log file (Linux).
#pragma once

#include <string>
#include <vector>

namespace console_test {

// The "in" lines of the log, in hex, oldest first.
std::vector<std::string> FramesReceived(const std::string& logFile);

}  // namespace console_test
