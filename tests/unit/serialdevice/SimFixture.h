// A simulated port opened through comm::Device.
#pragma once

#include "DeviceFixture.h"
#include "platform/serial/sim/SimPort.h"

namespace comm::testing {

class SimFixture : public DeviceFixture {
 protected:
  SimFixture() : port("SIMTEST") {}
  void SetUp() override {
    device = Device::Open("\\\\.\\SIMTEST");
    ASSERT_TRUE(device.Valid()) << SystemErrorText(GetLastError());
  }

  sim::SimPort port;
};

}  // namespace comm::testing
