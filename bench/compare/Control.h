// How the harness and a probe program talk: one fixed-size record per
// message over a SOCK_SEQPACKET pair that the probe inherits as descriptor 3.
// Times are CLOCK_MONOTONIC nanoseconds, the same clock in both processes.
#pragma once

#include <cstdint>
#include <string>

inline constexpr int kControlFd = 3;

enum class Msg : std::uint32_t {
  // probe -> harness
  Ready,           // the port is open
  Failed,          // text: why the probe gives up
  Got,             // a: sequence number (-1: a bad frame), b: when the handler had it
  RoundTripsDone,  // a: round trips, b: elapsed ns, c: CPU ns of the process, d: bad replies
  IdleEntered,     // the probe's loop is about to sleep
  IdleDone,
  ThroughputDone,  // a: bytes received, b: when the last one was checked, c: wrong bytes
  // harness -> probe
  StartLatency,     // a: replies to expect
  StartRoundTrips,  // a: duration in ns
  StartIdle,        // a frame on the line ends it
  StartThroughput,  // a: bytes to expect
  Quit,
};

struct Message {
  Msg kind = Msg::Ready;
  std::int64_t a = 0, b = 0, c = 0, d = 0;
  char text[200] = {};
};

Message MakeMessage(Msg kind, std::int64_t a = 0, std::int64_t b = 0, std::int64_t c = 0,
                    std::int64_t d = 0);
Message FailedMessage(const std::string& why);

// False when the peer is gone (or, for Receive, the time-out passed first;
// timeoutMs < 0 waits for ever).
bool SendMessage(int fd, const Message& message);
bool ReceiveMessage(int fd, Message* message, int timeoutMs = -1);

std::int64_t MonotonicNs();
// User plus system CPU time of the whole calling process, all threads.
std::int64_t ProcessCpuNs();
