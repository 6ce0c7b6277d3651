#include "bench/compare/FarEnd.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "bench/common/TaskSwitches.h"
#include "bench/compare/Control.h"
#include "bench/compare/TestStream.h"
#include "console/simulator/DispenserMachine.h"
#include "console/simulator/VirtualDispenser.h"

namespace {

constexpr int kPhaseSlackMs = 30000;  // a probe that takes longer is hung

std::string FourDigits(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04d", value % 10000);
  return text;
}

}  // namespace

void FarEnd::WriteAll(const std::uint8_t* data, std::size_t count) {
  while (count > 0) {
    const ssize_t n = ::write(FMaster, data, count);
    if (n > 0) {
      data += n;
      count -= static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) {
      pollfd out{FMaster, POLLOUT, 0};
      if (::poll(&out, 1, kPhaseSlackMs) <= 0) throw FarEndError{"the pty takes nothing"};
      continue;
    }
    throw FarEndError{std::string("write to the pty: ") + std::strerror(errno)};
  }
}

void FarEnd::Expect(int timeoutMs, Msg kind, Message* message) {
  if (!ReceiveMessage(FControl, message, timeoutMs)) {
    throw FarEndError{"the probe did not answer"};
  }
  if (message->kind == Msg::Failed) throw FarEndError{std::string("probe: ") + message->text};
  if (message->kind != kind) {
    throw FarEndError{"unexpected message from the probe"};
  }
}

LatencyResult FarEnd::Latency(int replies, int gapMicros) {
  LatencyResult result;
  result.micros.reserve(static_cast<std::size_t>(replies));
  SendMessage(FControl, MakeMessage(Msg::StartLatency, replies));
  for (int i = 0; i < replies; ++i) {
    const TFrame reply = BuildFrame('c', FourDigits(i));
    const std::int64_t sent = MonotonicNs();
    WriteAll(reply.data(), reply.size());
    Message got;
    Expect(kPhaseSlackMs, Msg::Got, &got);
    if (got.a != i) ++result.errors;
    result.micros.push_back(static_cast<double>(got.b - sent) / 1000.0);
    if (gapMicros > 0) std::this_thread::sleep_for(std::chrono::microseconds(gapMicros));
  }
  return result;
}

RoundTripResult FarEnd::RoundTrips(double seconds) {
  TVirtualDispenser dispenser;
  const auto before = ReadTaskSwitches(FProbe);
  SendMessage(FControl,
              MakeMessage(Msg::StartRoundTrips, static_cast<std::int64_t>(seconds * 1e9)));
  const int deadlineMs = static_cast<int>(seconds * 1000) + kPhaseSlackMs;
  const std::int64_t started = MonotonicNs();
  std::uint8_t buffer[4096];
  for (;;) {
    pollfd ready[2] = {{FMaster, POLLIN, 0}, {FControl, POLLIN, 0}};
    const int n = ::poll(ready, 2, 1000);
    if (n < 0 && errno != EINTR) throw FarEndError{"poll"};
    if ((MonotonicNs() - started) / 1000000 > deadlineMs) throw FarEndError{"round trips hang"};
    if (ready[0].revents & POLLIN) {
      const ssize_t got = ::read(FMaster, buffer, sizeof buffer);
      if (got > 0) {
        for (const TExchange& exchange :
             dispenser.Receive({buffer, static_cast<std::size_t>(got)})) {
          if (exchange.Reply) WriteAll(exchange.Reply->data(), exchange.Reply->size());
        }
      }
    }
    if (ready[1].revents & (POLLIN | POLLHUP)) {
      Message done;
      Expect(0, Msg::RoundTripsDone, &done);
      RoundTripResult result;
      result.trips = done.a;
      result.seconds = static_cast<double>(done.b) / 1e9;
      result.cpuMs = static_cast<double>(done.c) / 1e6;
      result.errors = static_cast<long>(done.d);
      const auto after = ReadTaskSwitches(FProbe);
      result.switches = SwitchesBetween(before, after);
      for (const auto& [role, sum] : SwitchesByRole(FProbe, before, after)) {
        result.switchesByRole[role] = {sum.voluntary, sum.involuntary};
      }
      return result;
    }
  }
}

long FarEnd::IdleWakeUps(double seconds) {
  SendMessage(FControl, MakeMessage(Msg::StartIdle));
  Message message;
  Expect(kPhaseSlackMs, Msg::IdleEntered, &message);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const auto before = ReadTaskSwitches(FProbe);
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  const auto after = ReadTaskSwitches(FProbe);
  const TFrame wake = BuildFrame('s', "r000");
  WriteAll(wake.data(), wake.size());
  Expect(kPhaseSlackMs, Msg::IdleDone, &message);
  if (after.empty()) throw FarEndError{"cannot read the probe's threads"};
  return SwitchesBetween(before, after);
}

ThroughputResult FarEnd::Throughput(std::int64_t bytes) {
  SendMessage(FControl, MakeMessage(Msg::StartThroughput, bytes));
  TestStream stream;
  std::vector<std::uint8_t> chunk(65536);
  std::size_t filled = 0, offset = 0;
  std::int64_t left = bytes;
  const std::int64_t started = MonotonicNs();
  for (;;) {
    if (offset == filled && left > 0) {
      filled = static_cast<std::size_t>(std::min<std::int64_t>(left, chunk.size()));
      for (std::size_t i = 0; i < filled; ++i) chunk[i] = stream.Next();
      left -= static_cast<std::int64_t>(filled);
      offset = 0;
    }
    const bool writing = offset < filled;
    pollfd ready[2] = {{FMaster, static_cast<short>(writing ? POLLOUT : 0), 0},
                       {FControl, POLLIN, 0}};
    const int n = ::poll(ready, 2, kPhaseSlackMs);
    if (n == 0) throw FarEndError{"throughput hangs"};
    if (n < 0) {
      if (errno == EINTR) continue;
      throw FarEndError{"poll"};
    }
    if (ready[0].revents & POLLOUT) {
      const ssize_t written = ::write(FMaster, chunk.data() + offset, filled - offset);
      if (written > 0) offset += static_cast<std::size_t>(written);
    }
    if (ready[1].revents & (POLLIN | POLLHUP)) {
      Message done;
      Expect(0, Msg::ThroughputDone, &done);
      ThroughputResult result;
      const double seconds = static_cast<double>(done.b - started) / 1e9;
      result.mibPerSecond = static_cast<double>(done.a) / (1024.0 * 1024.0) / seconds;
      result.errors = static_cast<long>(done.c) + (done.a != bytes ? 1 : 0);
      return result;
    }
  }
}
