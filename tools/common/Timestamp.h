// The wall-clock time stamps the tools print and log.
#pragma once

#include <chrono>
#include <string>

// "YYYY-MM-DD HH:MM:SS.mmm" in local time.
std::string WallClockTimestamp(std::chrono::system_clock::time_point time);
