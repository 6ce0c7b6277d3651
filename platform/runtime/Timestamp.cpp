#include "platform/runtime/Timestamp.h"

#include <cstdio>

std::string WallClockTimestamp(std::chrono::system_clock::time_point time) {
  const std::tm local = LocalTime(std::chrono::system_clock::to_time_t(time));
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count() % 1000;
  char text[40];
  const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  std::snprintf(text + length, sizeof text - length, ".%03d", static_cast<int>(ms));
  return text;
}
