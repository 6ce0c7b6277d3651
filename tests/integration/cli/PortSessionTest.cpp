// The command-line port session's close, on the simulated device: a pty
// cannot make a close fail.
#include "tools/cli/PortSession.h"

#include <gtest/gtest.h>

#include <sstream>

#include "platform/serial/SystemErrorNumbers.h"
#include "platform/serial/sim/SimPort.h"

TEST(PortSession, AFailedCloseIsToldWithItsPortAndCountsAsAnError) {
  comm::sim::SimPort device{"SIM5"};
  std::ostringstream err;
  {
    TPortSession session(err);
    session.Open("SIM5", [](std::span<const std::uint8_t>) {});
    device.FailAlways(comm::sim::SimCall::PurgeComm, comm::kErrInvalidArgument);
    session.Close();
    session.Close();
    EXPECT_EQ(session.ErrorsShown(), 1);
  }
  // Once, though the session's end and the port's destruction close again.
  EXPECT_EQ(err.str(), "dispenser-cli: COM Port Error: PurgeComm function failed on SIM5\n");
}
