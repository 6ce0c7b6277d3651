// A comm::Device opened on the slave of a fresh pty pair.
#pragma once

#include "PtyPair.h"
#include "tests/unit/serialdevice/DeviceFixture.h"

namespace comm::testing {

class PtyFixture : public DeviceFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.Ok());
    device = Device::Open(pty.slavePath);
    ASSERT_TRUE(device.Valid()) << SystemErrorText(GetLastError());
  }

  DCB State() {
    DCB dcb;
    EXPECT_TRUE(device.GetCommState(&dcb));
    return dcb;
  }

  PtyPair pty;
};

}  // namespace comm::testing
