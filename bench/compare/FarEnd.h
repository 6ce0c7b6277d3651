// The far end of the line, the same for every probe: the master side of the
// pty that the probe has open, driven phase by phase together with the
// probe's control socket. It runs in the harness's process, so none of its
// work is charged to the probe.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "bench/compare/Control.h"

struct LatencyResult {
  std::vector<double> micros;  // reply written -> the probe's handler had it
  long errors = 0;
};

struct RoundTripResult {
  std::int64_t trips = 0;
  double seconds = 0;
  double cpuMs = 0;   // the probe process's user + system time
  long switches = 0;  // context switches of all the probe's threads
  // The same by thread role ("main", "comm-event", "comm-io", "other"):
  // voluntary, involuntary.
  std::map<std::string, std::pair<long, long>> switchesByRole;
  long errors = 0;
};

struct ThroughputResult {
  double mibPerSecond = 0;
  long errors = 0;  // bytes that were not what was sent
};

// A phase that cannot complete (the probe failed, died or hung).
struct FarEndError {
  std::string what;
};

class FarEnd {
 public:
  // master: the pty's master end (non-blocking); control: the probe's socket.
  FarEnd(int master, int control, pid_t probe)
      : FMaster(master), FControl(control), FProbe(probe) {}

  // One ten-byte reply at a time, numbered; the next one gapMicros after the
  // probe reported the previous one.
  LatencyResult Latency(int replies, int gapMicros);
  // The probe sends a state query, the far end answers each one as the
  // dispenser would, at once; for `seconds`.
  RoundTripResult RoundTrips(double seconds);
  // Context switches of all the probe's threads over `seconds` while its
  // open port gets nothing (after a short settling time).
  long IdleWakeUps(double seconds);
  // `bytes` of the test stream, written as fast as the pty takes them.
  ThroughputResult Throughput(std::int64_t bytes);

 private:
  void WriteAll(const std::uint8_t* data, std::size_t count);
  void Expect(int timeoutMs, Msg kind, Message* message);

  int FMaster;
  int FControl;
  pid_t FProbe;
};
