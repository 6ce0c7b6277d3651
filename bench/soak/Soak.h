// The soak's three runs and what each measures; the process readings they
// share. Each run opens the port as the console does (TPortSession) and
// hands every received block through the window's path: the reply
// assembler, the decoder, the displayed text.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "console/protocol/ReplyAssembler.h"

// The process as the kernel accounts it now.
struct TProcessReading {
  double CpuSeconds = 0;  // user + system, all threads
  long ResidentKiB = 0;
};
TProcessReading ReadProcess();

// What the window does with received bytes: replies assembled into blocks,
// each decoded and its texts made for display. Receive returns the blocks
// the bytes completed.
class TWindowPath {
 public:
  std::vector<TReplyBlock> Receive(std::span<const std::uint8_t> bytes);
  std::vector<TReplyBlock> Flush();
  long DecodeFailures() const { return FDecodeFailures; }
  std::uint64_t ShownBytes() const { return FShownBytes; }  // of the texts made

 private:
  void Show(const TReplyBlock& block);
  TReplyAssembler FAssembler;
  long FDecodeFailures = 0;
  std::uint64_t FShownBytes = 0;
};

struct TRoundTripResult {
  long Sent = 0;
  long Intact = 0;
  long Lost = 0;       // no reply within a second
  long Corrupted = 0;  // a reply that differs from the dispenser model's
  double Seconds = 0;
  long ResidentStartKiB = 0;  // after the first thousand round trips
  long ResidentEndKiB = 0;
  std::string FirstFault;
};
// Command after command to dispenser-sim (program) on its pty, each reply
// checked byte for byte against the dispenser's model fed the same commands.
TRoundTripResult RunRoundTrips(const std::string& program, long count);

struct TUnplugResult {
  int Unplugs = 0;
  int ReportedOnce = 0;            // exactly one report of the loss
  int ClosedCleanly = 0;           // Close returned, the port closed
  std::vector<double> ReportMs;    // from the hang-up to the report, per unplug
  std::vector<double> CpuMsAfter;  // CPU the process used in the second after it
  std::string FirstFault;
};
// A pty whose far end sends replies to the open port until it is closed
// mid-traffic (the hang-up an unplugged adapter gives), count times.
TUnplugResult RunUnplugs(int count);

struct THostileResult {
  double Seconds = 0;
  std::uint64_t Sent = 0;
  std::uint64_t Received = 0;
  long Blocks = 0;
  long ResidentStartKiB = 0;  // after the first seconds
  long ResidentEndKiB = 0;
  long ResidentPeakKiB = 0;
  int ErrorsShown = 0;
};
// Random bytes (fixed seed) as fast as the pty takes them, for seconds.
THostileResult RunHostileBytes(double seconds);
