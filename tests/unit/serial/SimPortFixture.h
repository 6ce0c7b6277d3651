// A port on the simulated device "SIM1", without an event thread, and checks
// for the port errors a call raises.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/serial/sim/SimPort.h"
#include "serial/CPort.h"

class SimPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port.SetPort("SIM1");
    port.SetEvents(TComEvents());
  }
  // Opens the port and forgets the calls that opening made.
  void OpenPort() {
    port.Open();
    ASSERT_TRUE(port.Connected());
    sim.ClearCalls();
  }

  comm::sim::SimPort sim{"SIM1"};
  TComPort port{nullptr};
};

// The call raises EComPortExt with exactly this code, system error and message.
inline void ExpectSystemError(const std::function<void()>& call, int code, std::int32_t systemError,
                              const std::string& message) {
  try {
    call();
    ADD_FAILURE() << "no error raised; expected code " << code;
  } catch (const EComPortExt& error) {
    EXPECT_EQ(error.ErrorCode(), code);
    EXPECT_EQ(error.SystemErrorCode(), systemError);
    EXPECT_EQ(error.Message(), message);
  }
}

// The call raises a plain EComPort with exactly this code and message.
inline void ExpectPortError(const std::function<void()>& call, int code,
                            const std::string& message) {
  try {
    call();
    ADD_FAILURE() << "no error raised; expected code " << code;
  } catch (const EComPortExt& error) {
    ADD_FAILURE() << "EComPortExt raised: " << error.Message();
  } catch (const EComPort& error) {
    EXPECT_EQ(error.ErrorCode(), code);
    EXPECT_EQ(error.Message(), message);
  }
}
