#include "bench/compare/OursPort.h"

#include <algorithm>
#include <cstdlib>
#include <exception>

#include "console/protocol/DispenserLine.h"

std::string OursPort::Open(const std::string& path) {
  try {
    FPort.SetPort(path);
    SetDispenserLine(FPort);
    if (const char* size = std::getenv("COMPARE_OURS_INPUT_SIZE")) {
      FPort.Buffer().SetInputSize(std::stoi(size));
    }
    FPort.SetWaitInMainLoop(std::getenv("COMPARE_OURS_EVENT_THREAD") == nullptr);
    FPort.SetOnRxChar([this](TObject*, std::int32_t count) {
      // The counted bytes, through the same 4 KiB buffer the other probes use.
      std::uint8_t buffer[4096];
      while (count > 0) {
        const std::int32_t read = FPort.Read(buffer, std::min<std::int32_t>(count, sizeof buffer));
        if (read <= 0) break;
        Deliver(buffer, static_cast<std::size_t>(read));
        count -= read;
      }
    });
    FPort.Open();
    return {};
  } catch (const std::exception& error) {
    return error.what();
  }
}

void OursPort::Close() {
  FPort.Close();
}

void OursPort::Write(const std::uint8_t* data, std::size_t count) {
  PortWrite(FPort, data, static_cast<std::int32_t>(count));
}
