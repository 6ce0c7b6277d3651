// An open port's device wait in the main thread's loop, with no thread of
// its own: the loop sleeps on the device's pending wait among its other
// waits (and, on a terminal, reads the line itself as it wakes); when the
// wait completes, the loop judges it, runs the handlers right there and arms
// the next wait. A device that fails is reported once, on the main thread,
// and closes the port. A close on any thread stops the wait at once; a batch
// under way delivers nothing more, and the device's wait is released as it
// ends.
#pragma once

#include <memory>

#include "serial/ComEventWait.h"

class TComLoopWait final : public TComEventWait {
 public:
  // Main thread: sets the device's event mask, arms the first wait and
  // gives it to the loop.
  explicit TComLoopWait(TComWaitPort port);
  ~TComLoopWait() override;

  void Abandon() override;
  bool InHandOver() const override;
  bool InMainLoop() const override { return true; }

 private:
  // The loop's source: the device wait itself, shared with the loop's list,
  // which lets go of it at its next round once the wait is stopped.
  class Source;
  std::shared_ptr<Source> FSource;
};
