// The line below a LineDevice: what moves bytes and reads the lines of one
// concrete device (a terminal, the simulated device). LineDevice calls these
// with its lock held, so none of them may call back into the LineDevice; the
// driver reports to it from its own threads, never holding a lock of its own
// while it does.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/serial/CommDevice.h"

namespace comm {

class LineDevice;

class LineDriver {
 public:
  using Clock = std::chrono::steady_clock;

  virtual ~LineDriver() = default;

  // Starts the driver's threads; from now on it reports to device.
  virtual void Start(LineDevice* device) = 0;
  // Stops every thread of the driver and releases the device. Called once,
  // without the device's lock. After it returns the driver reports nothing.
  virtual void Shutdown() = 0;

  // Applies the whole block or nothing: 0 or the error number.
  virtual std::int32_t Configure(const DCB& dcb) = 0;

  // Hands bytes to the device without blocking: *accepted of them (possibly
  // none when the device's own queue is full). 0 or the error number.
  virtual std::int32_t Send(const std::uint8_t* data, std::size_t count, std::size_t* accepted) = 0;
  // Asks for one LineDevice::Writable() once Send may accept more.
  virtual void WantWritable() = 0;
  // True when everything handed over has left the device; otherwise the driver
  // calls LineDevice::TxEmpty() once it has.
  virtual bool WatchTxEmpty() = 0;
  // Bytes handed over that have not left the device yet.
  virtual DWORD OutQueue() = 0;

  // The MS_ bits of the modem input lines (all off on a device without them).
  virtual std::int32_t ModemStatus(DWORD* status) = 0;

  // PURGE_TXCLEAR / PURGE_RXCLEAR: empties the device's own queues.
  virtual std::int32_t Purge(DWORD flags) = 0;

  // The input queue has room again after the driver found it full.
  virtual void ResumeReceive() = 0;

  // Call LineDevice::Expire() at or soon after when; nothing: no time-out runs.
  virtual void SetTimer(std::optional<Clock::time_point> when) = 0;

  // An event wait became pending on event (pending true) or ended (false).
  // A driver may let the thread that sleeps on the event read the line
  // itself, so that the bytes completing the wait need no other thread.
  virtual void WaitPending(const Event& /*event*/, bool /*pending*/) {}
  // A read waits for bytes (waiting true), or none does any more: while one
  // does, the driver must not leave received bytes unread.
  virtual void ReadWaiting(bool /*waiting*/) {}
};

}  // namespace comm
