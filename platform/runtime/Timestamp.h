// Local wall-clock time stamps, as the tools print them and the session logs
// keep them. One implementation per operating system (posix/, win32/).
#pragma once

#include <chrono>
#include <string>

// "YYYY-MM-DD HH:MM:SS.mmm" in local time.
std::string WallClockTimestamp(std::chrono::system_clock::time_point time);
