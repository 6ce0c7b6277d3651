// An open comm::Device and overlapped operations that tests start and finish
// in one line each. Derived fixtures open a simulated port or a pty.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/serial/CommDevice.h"

namespace comm::testing {

// One overlapped block with its own manual-reset event.
struct Op {
  Op() { ov.hEvent = Event::Create(true, true); }
  bool Done() const { return ov.hEvent.IsSet(); }
  OVERLAPPED ov;
  DWORD mask = 0;
  DWORD done = 0;
  char buffer[256] = {};
};

class DeviceFixture : public ::testing::Test {
 protected:
  void TearDown() override { device.CloseHandle(); }

  void SetTimeouts(DWORD interval, DWORD multiplier, DWORD constant) {
    ASSERT_TRUE(device.SetCommTimeouts({interval, multiplier, constant, 0, 0}));
  }
  // Starts a read of count bytes: true when it completed at once.
  bool StartRead(Op& op, DWORD count) {
    return device.ReadFile(op.buffer, count, &op.done, &op.ov);
  }
  // Waits (safety net: 10 s) and fetches the outcome.
  bool Finish(Op& op, DWORD* transferred) {
    EXPECT_EQ(WaitForSingleObject(op.ov.hEvent, 10000), WAIT_OBJECT_0);
    return device.GetOverlappedResult(&op.ov, transferred, false);
  }
  // The bytes a read or write transferred, whether it completed at once
  // (started is its return value) or later; the operation must succeed.
  DWORD Transferred(Op& op, bool started) {
    if (started) return op.done;
    EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
    DWORD n = 0;
    EXPECT_TRUE(Finish(op, &n)) << SystemErrorText(GetLastError());
    return n;
  }
  // What a read with the immediate time-outs returns.
  std::string ReadNow(DWORD count) {
    Op op;
    SetTimeouts(MAXDWORD, 0, 0);
    EXPECT_TRUE(StartRead(op, count));
    return std::string(op.buffer, op.done);
  }
  // The events of a wait that must complete.
  DWORD WaitEvents() {
    Op op;
    device.WaitCommEvent(&op.mask, &op.ov);
    DWORD unused;
    EXPECT_TRUE(Finish(op, &unused));
    return op.mask;
  }
  DWORD InQueue() {
    COMSTAT stat;
    EXPECT_TRUE(device.ClearCommError(nullptr, &stat));
    return stat.cbInQue;
  }

  Device device;
};

}  // namespace comm::testing
