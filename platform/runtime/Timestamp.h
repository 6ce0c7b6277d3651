// Local wall-clock time stamps, as the tools print them and the session logs
// keep them. Only the conversion to local time differs per operating system.
#pragma once

#include <chrono>
#include <ctime>
#include <string>

// "YYYY-MM-DD HH:MM:SS.mmm" in local time.
std::string WallClockTimestamp(std::chrono::system_clock::time_point time);

// The local calendar time of seconds since the epoch, thread-safe
// (posix/LocalTime.cpp, win32/LocalTime.cpp).
std::tm LocalTime(std::time_t seconds);
