#include "bench/compare/Probe.h"

#include <cstdio>

#include "bench/compare/Control.h"
#include "bench/compare/TestStream.h"
#include "console/protocol/DispenserFrames.h"

// What the probe does with received bytes in each phase of the harness's run.
class ProbeSession {
 public:
  explicit ProbeSession(ProbePort& port) : FPort(port) {}

  void BeginLatency(std::int64_t replies) {
    Begin(kLatency);
    FExpected = replies;
  }
  void BeginRoundTrips(std::int64_t durationNs) {
    Begin(kRoundTrips);
    FDuration = durationNs;
    FStart = MonotonicNs();
    FCpuStart = ProcessCpuNs();
    SendCommand();
  }
  void BeginIdle() { Begin(kIdle); }
  void BeginThroughput(std::int64_t bytes) {
    Begin(kThroughput);
    FExpected = bytes;
    FStream = TestStream();
  }

  void Received(const std::uint8_t* data, std::size_t count) {
    if (FPhase == kThroughput) return Check(data, count);
    for (std::size_t i = 0; i < count; ++i) {
      FFrame[FFilled++] = data[i];
      if (FFilled == FFrame.size()) {
        FFilled = 0;
        Frame();
      }
    }
  }

  std::int64_t Count() const { return FCount; }
  std::int64_t Errors() const { return FErrors; }
  std::int64_t End() const { return FEnd; }
  std::int64_t CpuUsed() const { return FCpuEnd - FCpuStart; }
  std::int64_t Elapsed() const { return FEnd - FStart; }

 private:
  enum Phase { kNone, kLatency, kRoundTrips, kIdle, kThroughput };

  void Begin(Phase phase) {
    FPhase = phase;
    FFilled = 0;
    FCount = 0;
    FErrors = 0;
  }

  void Frame() {
    const std::int64_t at = MonotonicNs();
    const bool valid = IsValidFrame(FFrame);
    switch (FPhase) {
      case kLatency: {
        // Data characters: the reply's number, four digits.
        std::int64_t sequence = 0;
        for (std::size_t i = 4; i < 8; ++i) sequence = sequence * 10 + (FFrame[i] - '0');
        const bool expected = valid && sequence == FCount % 10000;
        if (!expected) ++FErrors;
        SendMessage(kControlFd, MakeMessage(Msg::Got, expected ? FCount : -1, at));
        if (++FCount == FExpected) Finish(at);
        break;
      }
      case kRoundTrips:
        if (!valid || FFrame[3] != 's') ++FErrors;
        ++FCount;
        if (at - FStart < FDuration) {
          SendCommand();
        } else {
          FCpuEnd = ProcessCpuNs();
          Finish(at);
        }
        break;
      case kIdle:
        Finish(at);
        break;
      case kThroughput:
      case kNone:
        ++FErrors;
        break;
    }
  }

  void Check(const std::uint8_t* data, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      if (data[i] != FStream.Next()) ++FErrors;
    }
    FCount += static_cast<std::int64_t>(count);
    if (FCount >= FExpected) Finish(MonotonicNs());
  }

  void SendCommand() {
    const TFrame& frame = CommandFrame(dcStateQuery);
    FPort.Write(frame.data(), frame.size());
  }

  void Finish(std::int64_t at) {
    FEnd = at;
    FPhase = kNone;
    FPort.Done();
  }

  ProbePort& FPort;
  Phase FPhase = kNone;
  TFrame FFrame{};
  std::size_t FFilled = 0;
  std::int64_t FExpected = 0;
  std::int64_t FCount = 0;
  std::int64_t FErrors = 0;
  std::int64_t FDuration = 0;
  std::int64_t FStart = 0;
  std::int64_t FEnd = 0;
  std::int64_t FCpuStart = 0;
  std::int64_t FCpuEnd = 0;
  TestStream FStream;
};

void ProbePort::Deliver(const std::uint8_t* data, std::size_t count) {
  if (FSession != nullptr) FSession->Received(data, count);
}

int RunProbe(ProbePort& port, int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PTY (run by the compare harness)\n", argv[0]);
    return 2;
  }
  const std::string failure = port.Open(argv[1]);
  if (!failure.empty()) {
    SendMessage(kControlFd, FailedMessage(failure));
    return 1;
  }
  ProbeSession session(port);
  port.FSession = &session;
  SendMessage(kControlFd, MakeMessage(Msg::Ready));
  for (;;) {
    Message order;
    if (!ReceiveMessage(kControlFd, &order)) return 1;
    switch (order.kind) {
      case Msg::StartLatency:
        session.BeginLatency(order.a);
        port.RunUntilDone();
        break;
      case Msg::StartRoundTrips:
        session.BeginRoundTrips(order.a);
        port.RunUntilDone();
        SendMessage(kControlFd, MakeMessage(Msg::RoundTripsDone, session.Count(), session.Elapsed(),
                                            session.CpuUsed(), session.Errors()));
        break;
      case Msg::StartIdle:
        session.BeginIdle();
        SendMessage(kControlFd, MakeMessage(Msg::IdleEntered));
        port.RunUntilDone();
        SendMessage(kControlFd, MakeMessage(Msg::IdleDone));
        break;
      case Msg::StartThroughput:
        session.BeginThroughput(order.a);
        port.RunUntilDone();
        SendMessage(kControlFd, MakeMessage(Msg::ThroughputDone, session.Count(), session.End(),
                                            session.Errors()));
        break;
      case Msg::Quit:
        port.FSession = nullptr;
        port.Close();
        return 0;
      default:
        SendMessage(kControlFd, FailedMessage("unexpected message"));
        return 1;
    }
  }
}
