// Measures, on a pseudo-terminal pair, what an event thread of the port
// engine costs and how fast it hears a byte:
//   (a) context switches of every thread but the main one while an
//       event wait is pending on an idle open device (must be 0);
//   (b) the time from a byte written on the pty's far end to the return of
//       the event thread's wait, median and 99th percentile.
// Usage: serial_event_bench [idle seconds (10)] [events (10000)]
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench/common/Percentile.h"
#include "bench/common/TaskSwitches.h"
#include "platform/serial/CommDevice.h"

namespace {

using Clock = std::chrono::steady_clock;

// The engine's event thread: arm the wait, sleep on [stop, wait], report.
class EventThread {
 public:
  explicit EventThread(comm::Device device) : device_(device) {
    stop_ = comm::Event::Create(true, false);
    ov_.hEvent = comm::Event::Create(true, true);
    thread_ = std::thread([this] { Run(); });
  }
  ~EventThread() {
    stop_.Set();
    thread_.join();
  }
  // Blocks until the thread has armed its next wait.
  void AwaitArmed() {
    while (!armed_.load(std::memory_order_acquire)) std::this_thread::yield();
  }
  // The time the thread saw the events of the latest completed wait.
  Clock::time_point AwaitEvent() {
    while (!seen_.load(std::memory_order_acquire)) std::this_thread::yield();
    seen_.store(false, std::memory_order_relaxed);
    return seenAt_;
  }

 private:
  void Run() {
    comm::DWORD mask = 0;  // outlives the last wait, which SetCommMask(0) ends
    for (;;) {
      device_.WaitCommEvent(&mask, &ov_);
      armed_.store(true, std::memory_order_release);
      const std::uint32_t r = comm::WaitForMultipleObjects({&stop_, &ov_.hEvent}, INFINITE);
      const Clock::time_point at = Clock::now();
      armed_.store(false, std::memory_order_relaxed);
      if (r != WAIT_OBJECT_0 + 1) break;
      comm::DWORD unused;
      if (device_.GetOverlappedResult(&ov_, &unused, false) && (mask & EV_RXCHAR)) {
        char buffer[64];
        comm::OVERLAPPED read;
        read.hEvent = comm::Event::Create(true, true);
        comm::DWORD n = 0;
        device_.ReadFile(buffer, sizeof buffer, &n, &read);  // immediate time-outs
        seenAt_ = at;
        seen_.store(true, std::memory_order_release);
      }
    }
    device_.SetCommMask(0);
  }

  comm::Device device_;
  comm::Event stop_;
  comm::OVERLAPPED ov_;
  std::thread thread_;
  std::atomic<bool> armed_{false};
  std::atomic<bool> seen_{false};
  Clock::time_point seenAt_;
};

}  // namespace

int main(int argc, char** argv) {
  const int idleSeconds = argc > 1 ? std::atoi(argv[1]) : 10;
  const int events = argc > 2 ? std::atoi(argv[2]) : 10000;

  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  char slave[64] = {};
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 ||
      ptsname_r(master, slave, sizeof slave) != 0) {
    std::perror("pty");
    return 1;
  }
  comm::Device device = comm::Device::Open(slave);
  if (!device.Valid()) {
    std::fprintf(stderr, "open %s: %s\n", slave,
                 comm::SystemErrorText(comm::GetLastError()).c_str());
    return 1;
  }
  device.SetCommTimeouts({MAXDWORD, 0, 0, 0, 1000});
  device.SetCommMask(EV_RXCHAR | EV_RXFLAG | EV_TXEMPTY | EV_ERR);
  {
    EventThread thread(device);
    thread.AwaitArmed();

    // (a) Idle.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const pid_t mainTask = getpid();
    const auto before = ReadTaskSwitches();
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    const auto after = ReadTaskSwitches();
    std::printf("idle event wait, %d s:\n", idleSeconds);
    for (const auto& [task, entry] : after) {
      if (task == mainTask || !before.count(task)) continue;
      std::printf("  thread %-7d %-16s %ld context switches\n", task, entry.name.c_str(),
                  entry.Total() - before.at(task).Total());
    }
    const long idleWakeUps = SwitchesBetween(before, after, {mainTask});
    std::printf("  total: %ld\n", idleWakeUps);

    // (b) Latency.
    std::vector<double> micros;
    micros.reserve(static_cast<std::size_t>(events));
    for (int i = 0; i < events; ++i) {
      thread.AwaitArmed();
      const char byte = 'x';
      const Clock::time_point sent = Clock::now();
      if (write(master, &byte, 1) != 1) return 1;
      const Clock::time_point seen = thread.AwaitEvent();
      micros.push_back(std::chrono::duration<double, std::micro>(seen - sent).count());
    }
    std::printf("byte on the far end to event wait done, %d events:\n", events);
    std::printf("  median %.1f us, 99th percentile %.1f us, max %.1f us\n", Percentile(micros, 0.5),
                Percentile(micros, 0.99), Percentile(micros, 1.0));
    if (idleWakeUps != 0) {
      device.CloseHandle();
      return 2;
    }
  }
  device.CloseHandle();
  close(master);
  return 0;
}
