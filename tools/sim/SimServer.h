// dispenser-sim's loop: one blocking wait on the pty's master end, the stop
// signals and the next reply due; it wakes only when one of them is ready.
#pragma once

#include <deque>
#include <memory>
#include <ostream>
#include <string>

#include "console/simulator/ReplySchedule.h"
#include "console/simulator/VirtualDispenser.h"
#include "tools/sim/FrameLog.h"
#include "tools/sim/PtyPair.h"
#include "tools/sim/SimOptions.h"

// SIGINT, SIGTERM and SIGHUP as a readable descriptor instead of handlers.
// Blocks them for the process while it lives; create it before any thread.
class TStopSignals {
 public:
  TStopSignals();
  ~TStopSignals();
  TStopSignals(const TStopSignals&) = delete;
  TStopSignals& operator=(const TStopSignals&) = delete;

  int Descriptor() const { return FDescriptor; }
  // Takes the pending signal (so that it is not delivered when the signals
  // are unblocked); returns its number, 0 if none was pending.
  int Take() const;

 private:
  int FDescriptor = -1;
};

class TSimServer {
 public:
  // Opens the pty (and the link and the log). Raises Exception.
  TSimServer(const TSimOptions& options, std::ostream& err);

  const std::string& SlavePath() const { return FPty.SlavePath(); }

  // Serves until a stop signal (returns 0) or until the line fails (reports
  // it on the error stream, returns 1).
  int Run(const TStopSignals& signals);

 private:
  bool ReadLine();  // false: the line failed
  bool WriteDue();  // false: the line failed
  void Handle(const TExchange& exchange);

  std::ostream& FErr;
  TPtyPair FPty;
  std::unique_ptr<TSlaveLink> FLink;
  TFrameLog FLog;
  TVirtualDispenser FDispenser;
  TReplySchedule FSchedule;
  std::deque<TScheduledWrite> FOutgoing;       // due, not yet fully written
  TLineFormat FToldFormat = kDispenserFormat;  // a mismatch is told once, until it changes
};
