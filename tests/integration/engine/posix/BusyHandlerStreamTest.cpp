// A stream at the line's pace into a port whose handler blocks for seconds
// (a modal dialog), with the wait in the main loop or on the event thread:
// the bytes are read from the terminal meanwhile, so a real line, whose UART
// keeps 4 KiB, would lose none, and every byte reaches the program once and
// in order.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include "tests/integration/engine/EventFixture.h"
#include "tests/integration/serial/PtyPair.h"

namespace {

using comm::testing::PtyPair;
using namespace std::chrono_literals;

// A UART's receive buffer: what stays unread beyond it is lost on a real line.
constexpr int kUartBuffer = 4096;

class BusyHandlerStreamTest : public EventTest, public ::testing::WithParamInterface<bool> {};

TEST_P(BusyHandlerStreamTest, AHandlerBlockedForSecondsLosesNothingOfAStreamAt115200) {
  PtyPair pty;
  ASSERT_TRUE(pty.Ok());
  // The far end's view of what the slave has not read yet, opened before
  // the port takes the terminal for itself.
  const int peer = ::open(pty.slavePath.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(peer, 0);

  TComPort port(nullptr);
  port.SetPort(pty.slavePath);
  port.SetBaudRate(br115200);
  port.SetWaitInMainLoop(GetParam());
  std::string received;
  bool first = true;
  port.SetOnRxChar([&](TObject*, std::int32_t count) {
    if (std::exchange(first, false)) std::this_thread::sleep_for(2s);
    std::string bytes(static_cast<std::size_t>(count), '\0');
    EXPECT_EQ(port.Read(bytes.data(), count), count);
    received += bytes;
  });
  port.Open();

  // 115 bytes every 10 ms for 4 s: 11.5 KB/s. A chunk that would not fit
  // beside what the terminal still holds unread is dropped, as a UART would.
  std::string sent;
  std::size_t written = 0;
  std::atomic<bool> over{false};
  std::thread writer([&] {
    const auto start = std::chrono::steady_clock::now();
    for (int chunk = 0; chunk < 400; ++chunk) {
      std::this_thread::sleep_until(start + chunk * 10ms);
      std::string bytes;
      for (int i = 0; i < 115; ++i) bytes += static_cast<char>((sent.size() + bytes.size()) % 251);
      sent += bytes;
      int unread = 0;
      ::ioctl(peer, FIONREAD, &unread);
      if (unread + static_cast<int>(bytes.size()) <= kUartBuffer) {
        pty.Write(bytes);
        written += bytes.size();
      }
    }
    over = true;
    MainThread::Wake();
  });
  PumpUntil([&] { return over.load(); });
  writer.join();
  ASSERT_TRUE(PumpUntil([&] { return received.size() >= written; }));
  port.Close();
  ::close(peer);
  EXPECT_EQ(written, sent.size()) << "bytes a UART would have lost";
  EXPECT_TRUE(received == sent) << received.size() << " bytes received of " << sent.size();
}

INSTANTIATE_TEST_SUITE_P(Wait, BusyHandlerStreamTest, ::testing::Bool(), [](const auto& info) {
  return info.param ? "InMainLoop" : "OnEventThread";
});

}  // namespace
