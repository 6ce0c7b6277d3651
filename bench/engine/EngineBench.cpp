// Measures the port engine on a pseudo-terminal pair, with the console's
// settings (all ten events, thread sync, a headless main loop):
//   (a) latency from a byte written on the pty's far end to the call of
//       OnRxChar on the main thread: median and 99th percentile;
//   (b) wake-ups of every thread but the main one (the port's event thread
//       and the device's own threads) while the open port is idle: the
//       voluntary and involuntary context switches, which must be 0.
// Usage: engine_bench [events (10000)] [idle seconds (10)]
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench/common/Percentile.h"
#include "bench/common/TaskSwitches.h"
#include "platform/runtime/Application.h"
#include "platform/runtime/Threads.h"
#include "serial/CPort.h"

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

int main(int argc, char** argv) {
  const int events = argc > 1 ? std::atoi(argv[1]) : 10000;
  const int idleSeconds = argc > 2 ? std::atoi(argv[2]) : 10;

  TApplication app(std::make_unique<HeadlessBackend>());
  app.Initialize();

  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  char slave[64] = {};
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 ||
      ptsname_r(master, slave, sizeof slave) != 0) {
    std::perror("pty");
    return 1;
  }

  TComPort port(nullptr);
  port.SetPort(slave);
  port.FlowControl().SetControlDTR(dtrEnable);
  port.FlowControl().SetControlRTS(rtsEnable);
  Clock::time_point handled;
  bool seen = false;
  port.SetOnRxChar([&](TObject*, std::int32_t count) {
    handled = Clock::now();
    std::vector<char> buffer(static_cast<std::size_t>(count));
    port.Read(buffer.data(), count);
    seen = true;
  });
  port.Open();

  // (a) Latency, one byte at a time.
  std::vector<double> micros;
  micros.reserve(static_cast<std::size_t>(events));
  for (int i = 0; i < events; ++i) {
    seen = false;
    const char byte = static_cast<char>('0' + i % 10);
    const Clock::time_point sent = Clock::now();
    if (write(master, &byte, 1) != 1) return 1;
    MainThread::WaitUntil([&] { return seen; });
    micros.push_back(std::chrono::duration<double, std::micro>(handled - sent).count());
  }
  std::printf("byte on the far end to OnRxChar on the main thread, %d events:\n", events);
  std::printf("  median %.1f us, 99th percentile %.1f us, worst %.1f us\n", Percentile(micros, 0.5),
              Percentile(micros, 0.99), Percentile(micros, 1.0));

  // (b) Idle: let the last hand-over settle, then count.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  MainThread::RunPending();
  const pid_t mainTask = getpid();
  const auto before = ReadTaskSwitches();
  std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
  const auto after = ReadTaskSwitches();
  std::printf("open idle port, %d s:\n", idleSeconds);
  for (const auto& [task, entry] : after) {
    if (task == mainTask || before.count(task) == 0) continue;
    std::printf("  thread %-7d %-16s %ld wake-ups\n", task, entry.name.c_str(),
                entry.Total() - before.at(task).Total());
  }
  const long total = SwitchesBetween(before, after, {mainTask});
  std::printf("  total: %ld\n", total);

  port.Close();
  close(master);
  return total == 0 ? 0 : 2;
}
