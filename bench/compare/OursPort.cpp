#include "bench/compare/OursPort.h"

#include <exception>

std::string OursPort::Open(const std::string& path) {
  try {
    FPort.SetPort(path);
    FPort.SetBaudRate(br9600);
    FPort.SetDataBits(dbEight);
    FPort.SetStopBits(sbOneStopBit);
    FPort.FlowControl().SetControlDTR(dtrEnable);
    FPort.FlowControl().SetControlRTS(rtsEnable);
    if (const char* size = std::getenv("OURS_INPUT_SIZE"))
      FPort.Buffer().SetInputSize(std::atoi(size));
    FPort.SetOnRxChar([this](TObject*, std::int32_t count) {
      if (FBuffer.size() < static_cast<std::size_t>(count)) FBuffer.resize(count);
      const std::int32_t read = FPort.Read(FBuffer.data(), count);
      Deliver(FBuffer.data(), static_cast<std::size_t>(read));
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
