// The system's blocks of the overlapped operations that a device started.
// The interface's block (comm::OVERLAPPED) carries a portable event, so the
// system is handed a block of its own, with that event's handle, which stays
// here until the outcome has been fetched: the system writes it while the
// operation runs, however long the caller's block lives.
#pragma once

#include <windows.h>

#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/serial/CommDevice.h"

namespace comm::win32 {

enum class OperationKind : std::uint8_t { Read, Write, Wait };

struct SystemOperation {
  ::OVERLAPPED block{};
  OperationKind kind = OperationKind::Read;
  Event event;  // keeps the handle in block.hEvent open while the system may set it
  // A read that the time-outs say must return at once, which the driver left
  // pending and the device cancelled: its cancellation is a completion.
  bool cutShort = false;
};

// True until the system has written the operation's outcome.
bool IsPending(const SystemOperation& operation);

// 0 for a completed operation that succeeded, else its GetLastError() number.
// A time-out is a success with fewer bytes, as the serial driver reports it.
std::int32_t Outcome(const SystemOperation& operation, DWORD* transferred);

class SystemOperations {
 public:
  // A fresh block for an operation on ov, replacing one whose outcome was
  // never fetched; null when an operation on ov is still pending (one block
  // cannot serve two).
  std::shared_ptr<SystemOperation> Start(const OVERLAPPED* ov, OperationKind kind,
                                         const Event& event);
  std::shared_ptr<SystemOperation> Find(const OVERLAPPED* ov) const;
  // Forgets ov's operation if it is still `operation`.
  void Drop(const OVERLAPPED* ov, const SystemOperation* operation);
  std::vector<std::shared_ptr<SystemOperation>> All() const;

 private:
  mutable std::mutex mu_;
  std::unordered_map<const OVERLAPPED*, std::shared_ptr<SystemOperation>> operations_;
};

}  // namespace comm::win32
