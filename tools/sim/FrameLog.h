// The --log file: one line per frame in, write out and ignored piece, each
// with the wall-clock time, appended and flushed as it happens.
//   2024-05-02 14:03:07.415 in      02303043303030306503
//   2024-05-02 14:03:07.415 out     02303063303030308503
//   2024-05-02 14:03:07.416 ignored 41420D0A (bytes outside a frame)
#pragma once

#include <chrono>
#include <cstdint>
#include <fstream>
#include <span>
#include <string>
#include <string_view>

class TFrameLog {
 public:
  // No file name: logs nothing. Raises Exception if the file cannot be opened.
  explicit TFrameLog(const std::string& fileName);

  void Write(std::string_view what, std::span<const std::uint8_t> bytes,
             std::string_view note = {});

 private:
  std::ofstream FFile;
};
