// How the device writes a caller's OVERLAPPED block. Internal is the status
// (kPending while the operation runs, then 0 or the error number) and
// InternalHigh the number of bytes transferred. The completing thread writes
// the results (bytes in the caller's buffer, the event mask of a wait,
// InternalHigh), publishes Internal with release order and sets the event,
// all under the event's lock; GetOverlappedResult loads Internal with acquire
// order. After Complete the device never touches the block again.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/serial/CommDevice.h"

namespace comm::overlapped {

// NT's STATUS_PENDING; no error number has this value.
inline constexpr std::uintptr_t kPending = 0x103;

// The operation starts: status pending, nothing transferred, event reset.
void Begin(OVERLAPPED* ov);

// The operation ends. event is the block's event as it was at Begin (the
// caller may replace the block's own member meanwhile). publish, if given,
// writes the operation's results before the status becomes visible.
void Complete(OVERLAPPED* ov, const Event& event, std::int32_t status, std::uintptr_t bytes,
              const std::function<void()>& publish = {});

// The block's status, with acquire order.
std::uintptr_t Status(const OVERLAPPED* ov);
std::uintptr_t Transferred(const OVERLAPPED* ov);

// The outcome written in the block: 0 or the error, with *transferred (may
// be null); ERROR_IO_INCOMPLETE while it is pending and wait is false, else
// it first waits for the block's event.
std::int32_t Result(const OVERLAPPED* ov, DWORD* transferred, bool wait);

// A read or write that fails before it starts completes with the error and
// sets its event, so that a thread that waits on it is released.
void FailTransfer(OVERLAPPED* ov, std::int32_t error);

// An event wait that fails before it starts leaves its event reset: a loop
// that re-arms the wait after each completion then sleeps until it is told to
// stop, instead of spinning on a device that is gone.
void FailWait(OVERLAPPED* ov, std::int32_t error);

}  // namespace comm::overlapped
