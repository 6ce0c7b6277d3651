// The win32 backend's overlapped machinery on a real kernel object: the
// system's blocks, the caller's event set by the system, outcomes fetched
// once or again, failures before a start, and closing with a read pending.
// A pipe stands in for the port here: it completes reads when the far end
// writes, with no driver quirks in between.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/serial/DeviceRegistry.h"
#include "platform/serial/win32/EventState.h"
#include "platform/serial/win32/Win32Device.h"

namespace {

class OverlappedPipe : public ::testing::Test {
 protected:
  void SetUp() override {
    static int serial = 0;
    const std::string name = "\\\\.\\pipe\\dispenser-test-" +
                             std::to_string(::GetCurrentProcessId()) + "-" +
                             std::to_string(++serial);
    farEnd = ::CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1,
                                4096, 4096, 0, nullptr);
    ASSERT_NE(farEnd, INVALID_HANDLE_VALUE);
    const HANDLE ours = ::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    ASSERT_NE(ours, INVALID_HANDLE_VALUE);
    device = comm::DeviceRegistry::Wrap(std::make_shared<comm::win32::Win32Device>("pipe", ours));
    ov.hEvent = comm::Event::Create(true, true);
  }
  void TearDown() override {
    device.CloseHandle();
    if (farEnd != INVALID_HANDLE_VALUE) ::CloseHandle(farEnd);
  }
  void FarEndWrites(const std::string& bytes) {
    DWORD written = 0;
    ASSERT_TRUE(
        ::WriteFile(farEnd, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  }

  HANDLE farEnd = INVALID_HANDLE_VALUE;
  comm::Device device;
  comm::OVERLAPPED ov;
  char buffer[16] = {};
  comm::DWORD done = 0;
};

}  // namespace

TEST_F(OverlappedPipe, PendingReadCompletesThroughTheCallersEventAndItsOutcomeStays) {
  ASSERT_FALSE(device.ReadFile(buffer, 8, &done, &ov));
  ASSERT_EQ(comm::GetLastError(), ERROR_IO_PENDING);
  EXPECT_FALSE(ov.hEvent.IsSet());  // the system reset it at the start
  EXPECT_FALSE(device.GetOverlappedResult(&ov, &done, false));
  EXPECT_EQ(comm::GetLastError(), ERROR_IO_INCOMPLETE);

  // A block whose operation still runs cannot start another.
  comm::OVERLAPPED* same = &ov;
  EXPECT_FALSE(device.ReadFile(buffer, 8, &done, same));
  EXPECT_EQ(comm::GetLastError(), ERROR_INVALID_PARAMETER);

  FarEndWrites("abc");
  ASSERT_EQ(comm::WaitForSingleObject(ov.hEvent, 10000), WAIT_OBJECT_0);
  ASSERT_TRUE(device.GetOverlappedResult(&ov, &done, false));
  EXPECT_EQ(done, 3u);
  EXPECT_EQ(std::string(buffer, 3), "abc");
  done = 0;
  ASSERT_TRUE(device.GetOverlappedResult(&ov, &done, false));  // asked again: the same
  EXPECT_EQ(done, 3u);

  // A write done at once is fetched like any other completion.
  comm::OVERLAPPED write;
  write.hEvent = comm::Event::Create(true, false);
  device.WriteFile("0123456789", 10, &done, &write);
  ASSERT_TRUE(device.GetOverlappedResult(&write, &done, true));
  EXPECT_EQ(done, 10u);
  DWORD got = 0;
  ASSERT_TRUE(::ReadFile(farEnd, buffer, 10, &got, nullptr));
  EXPECT_EQ(std::string(buffer, got), "0123456789");
}

TEST_F(OverlappedPipe, ClosingEndsAPendingReadAsCancelledAndLaterCallsFail) {
  ASSERT_FALSE(device.ReadFile(buffer, 8, &done, &ov));
  ASSERT_EQ(comm::GetLastError(), ERROR_IO_PENDING);
  ASSERT_TRUE(device.CloseHandle());
  ASSERT_EQ(comm::WaitForSingleObject(ov.hEvent, 10000), WAIT_OBJECT_0);
  EXPECT_FALSE(device.GetOverlappedResult(&ov, &done, true));
  EXPECT_EQ(comm::GetLastError(), ERROR_OPERATION_ABORTED);
  EXPECT_EQ(done, 0u);

  // A read that cannot start still releases a thread that waits on it.
  ov.hEvent.Reset();
  EXPECT_FALSE(device.ReadFile(buffer, 8, &done, &ov));
  EXPECT_EQ(comm::GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_TRUE(ov.hEvent.IsSet());
  EXPECT_FALSE(device.GetOverlappedResult(&ov, &done, true));
  EXPECT_EQ(comm::GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(device.SetCommMask(EV_RXCHAR));
  EXPECT_EQ(comm::GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(OverlappedPipe, OperationsTheSystemRefusesCarryItsError) {
  // The far end is gone: a read fails at once, its event set, its outcome
  // the system's error.
  ::CloseHandle(farEnd);
  farEnd = INVALID_HANDLE_VALUE;
  ov.hEvent.Reset();
  EXPECT_FALSE(device.ReadFile(buffer, 8, &done, &ov));
  EXPECT_EQ(comm::GetLastError(), ERROR_BROKEN_PIPE);
  EXPECT_TRUE(ov.hEvent.IsSet());
  EXPECT_FALSE(device.GetOverlappedResult(&ov, &done, false));
  EXPECT_EQ(comm::GetLastError(), ERROR_BROKEN_PIPE);

  // A pipe has no comm events: the wait is refused and its event stays reset,
  // so a loop that re-arms it sleeps instead of spinning.
  comm::DWORD mask = 0;
  EXPECT_FALSE(device.WaitCommEvent(&mask, &ov));
  EXPECT_NE(comm::GetLastError(), ERROR_IO_PENDING);
  EXPECT_FALSE(ov.hEvent.IsSet());
  comm::DCB dcb;
  EXPECT_FALSE(device.GetCommState(&dcb));
  EXPECT_NE(comm::GetLastError(), 0);
}

TEST(Win32Events, AreTheSystemsObjectsAndLookingDoesNotTakeThem) {
  const comm::Event autoReset = comm::Event::Create(false, true);
  EXPECT_TRUE(autoReset.IsSet());
  EXPECT_TRUE(autoReset.IsSet());  // still set: looking took nothing
  EXPECT_EQ(comm::WaitForSingleObject(autoReset, 0), WAIT_OBJECT_0);
  EXPECT_FALSE(autoReset.IsSet());  // the wait took it

  const comm::Event manual = comm::Event::Create(true, false);
  ::SetEvent(manual.Native()->handle);  // set by the system's own call
  EXPECT_EQ(comm::WaitForMultipleObjects({&autoReset, &manual}, 0), WAIT_OBJECT_0 + 1);
  EXPECT_EQ(comm::WaitForMultipleObjects({&autoReset, &manual}, 0), WAIT_OBJECT_0 + 1);
  const comm::Event null;
  EXPECT_EQ(comm::WaitForMultipleObjects({&manual, &null}, 0), WAIT_FAILED);
}
