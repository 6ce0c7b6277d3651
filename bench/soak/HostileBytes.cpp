// Hostile bytes: random bytes (a fixed seed) at the open port, in writes of
// random length, as fast as the pty takes them. The port hands every block
// through the window's path. Nothing may crash, every byte sent must be
// received, and the process's memory must stay where it was.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <iostream>
#include <random>
#include <thread>

#include "bench/soak/Soak.h"
#include "platform/runtime/Application.h"
#include "platform/runtime/Threads.h"
#include "tools/cli/PortSession.h"

namespace {

using TClock = std::chrono::steady_clock;

// Before the first memory reading (a shorter run: half of it).
constexpr std::chrono::seconds kSettle{5};

}  // namespace

THostileResult RunHostileBytes(double seconds) {
  THostileResult result;
  int master = -1, slave = -1;
  char name[128] = {};
  if (openpty(&master, &slave, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty");
  close(slave);
  fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

  TPortSession session(std::cerr);
  TWindowPath window;
  std::atomic<std::uint64_t> sent{0};
  std::atomic<bool> sending{true};
  std::uint64_t received = 0;
  session.Open(name, [&](std::span<const std::uint8_t> bytes) {
    window.Receive(bytes);
    received += bytes.size();
    ++result.Blocks;
    if (!sending && received >= sent) Application->Terminate();
  });

  const TClock::time_point began = TClock::now();
  const auto end =
      began + std::chrono::duration_cast<TClock::duration>(std::chrono::duration<double>(seconds));
  std::thread attacker([&] {
    std::mt19937 random(17);
    std::vector<std::uint8_t> chunk(4096);
    while (TClock::now() < end) {
      const std::size_t length = random() % chunk.size() + 1;
      for (std::size_t k = 0; k < length; ++k) chunk[k] = static_cast<std::uint8_t>(random());
      std::size_t at = 0;
      while (at < length && TClock::now() < end) {
        const ssize_t n = write(master, chunk.data() + at, length - at);
        if (n > 0) {
          at += static_cast<std::size_t>(n);
          sent += static_cast<std::uint64_t>(n);
        } else {
          pollfd ready{master, POLLOUT, 0};
          poll(&ready, 1, 100);  // the terminal is full until the port reads
        }
      }
    }
    sending = false;
    MainThread::Wake();
  });

  // Memory once a second; the run ends when every byte sent has arrived.
  const auto settle = std::min<TClock::duration>(kSettle, (end - began) / 2);
  std::vector<long> resident;
  TPortSession::TTimerId sampler = 0;
  sampler = session.AddTimer([&] {
    if (TClock::now() - began >= settle) resident.push_back(ReadProcess().ResidentKiB);
    if (!sending && received >= sent) Application->Terminate();
    session.SetTimer(sampler, TClock::now() + std::chrono::seconds(1));
  });
  session.SetTimer(sampler, TClock::now() + std::chrono::seconds(1));
  session.Run(std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::duration<double>(seconds) + std::chrono::seconds(30)));
  attacker.join();
  result.Seconds = std::chrono::duration<double>(TClock::now() - began).count();
  window.Flush();
  result.Sent = sent;
  result.Received = received;
  result.ErrorsShown = session.ErrorsShown() + session.GoneReports();
  if (!resident.empty()) {
    result.ResidentStartKiB = resident.front();
    result.ResidentEndKiB = resident.back();
    result.ResidentPeakKiB = *std::max_element(resident.begin(), resident.end());
  }
  session.Close();
  close(master);
  return result;
}
