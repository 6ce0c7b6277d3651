// Unplugging mid-traffic: the far end of a pty sends replies to the open
// port and, once the port has received some, closes (the hang-up a USB
// adapter pulled out gives the terminal). Measured per unplug: the time
// from the hang-up to the engine's report, the CPU the process uses in the
// second after it (a thread spinning on the dead device would use it all),
// the reports made (exactly one), and that closing the port then returns.
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <iostream>
#include <thread>

#include "bench/soak/Soak.h"
#include "console/simulator/DispenserMachine.h"
#include "platform/runtime/Threads.h"
#include "tools/cli/PortSession.h"

namespace {

using TClock = std::chrono::steady_clock;

constexpr long kTrafficBeforeUnplug = 300;  // bytes the port receives first

// One pty whose master end is the far end's to write to and to close.
struct TFarEnd {
  int Master = -1;
  std::string SlavePath;

  TFarEnd() {
    int slave = -1;
    char name[128] = {};
    if (openpty(&Master, &slave, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty");
    close(slave);  // the port opens it by name
    fcntl(Master, F_SETFL, fcntl(Master, F_GETFL) | O_NONBLOCK);
    SlavePath = name;
  }
  ~TFarEnd() {
    if (Master >= 0) close(Master);
  }
};

}  // namespace

TUnplugResult RunUnplugs(int count) {
  TUnplugResult result;
  const TFrame reply = BuildFrame('s', "r000");
  for (int i = 0; i < count; ++i) {
    ++result.Unplugs;
    TFarEnd farEnd;
    TPortSession session(std::cerr);
    TWindowPath window;
    std::atomic<long> received{0};
    std::atomic<bool> pull{false};
    TClock::time_point hungUp{};
    session.Open(farEnd.SlavePath, [&](std::span<const std::uint8_t> bytes) {
      window.Receive(bytes);
      if ((received += static_cast<long>(bytes.size())) >= kTrafficBeforeUnplug) pull = true;
    });
    std::thread sender([&] {
      while (!pull) {
        [[maybe_unused]] const auto written = write(farEnd.Master, reply.data(), reply.size());
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      hungUp = TClock::now();
      close(farEnd.Master);
      farEnd.Master = -1;
    });

    const TSessionEnd end = session.Run(std::chrono::seconds(10));
    const TClock::time_point reported = TClock::now();
    sender.join();
    if (end != seDeviceGone) {
      if (result.FirstFault.empty())
        result.FirstFault = "unplug " + std::to_string(i + 1) + ": no report";
      continue;
    }
    result.ReportMs.push_back(std::chrono::duration<double, std::milli>(reported - hungUp).count());

    // The second after: the main thread sleeps; whatever else runs is the
    // engine's. A second report queued meanwhile is shown by RunPending.
    const double cpuBefore = ReadProcess().CpuSeconds;
    std::this_thread::sleep_for(std::chrono::seconds(1));
    result.CpuMsAfter.push_back((ReadProcess().CpuSeconds - cpuBefore) * 1000);
    MainThread::RunPending();
    if (session.GoneReports() == 1) {
      ++result.ReportedOnce;
    } else if (result.FirstFault.empty()) {
      result.FirstFault = "unplug " + std::to_string(i + 1) + ": " +
                          std::to_string(session.GoneReports()) + " reports";
    }
    session.Close();
    if (!session.Port().Connected()) ++result.ClosedCleanly;
  }
  return result;
}
