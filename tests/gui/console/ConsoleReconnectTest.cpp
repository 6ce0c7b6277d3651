// Reconnecting without a word from the system: a device that is back before
// the window starts waiting for it, and a reopen that fails once the device
// is back and is tried again after a while, each failure said with its cause.
#include "tests/gui/console/LostDevice.h"

namespace {

class ConsoleReconnect : public console_test::LostDevice {};

TEST_F(ConsoleReconnect, ADeviceBackBeforeTheWaitIsReopenedAndABusyOneIsTriedAgain) {
  for (const bool busy : {false, true}) {
    SCOPED_TRACE(busy ? "busy at first" : "ready");
    window.Click("Button2");
    ASSERT_TRUE(window->Com1->Connected());
    if (busy) device.FailNext(comm::sim::SimCall::CreateFile, comm::kErrDeviceBusy);
    device.Unplug();
    device.Plug();  // back before the window hears of the loss
    EXPECT_TRUE(Reopened(busy ? 2 : 1)) << window.Log().join('\n').toStdString();
    const QString failed = "장치를 다시 열 수 없습니다: LOST1 is already open in this program";
    EXPECT_EQ(window.Log().filter(failed).size(), busy ? 1 : 0);
    EXPECT_EQ(
        SessionLog().count("\treopen-failed\tLOST1\t\tLOST1 is already open in this program\n"),
        busy ? 1 : 0);
    EXPECT_FALSE(window->PortRecovery->Waiting());
  }
  EXPECT_TRUE(boxes.Seen().empty());
}

}  // namespace
