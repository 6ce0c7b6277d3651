#include "platform/serial/win32/SystemOperations.h"

#include <winternl.h>

#include <atomic>

#include "platform/serial/win32/EventState.h"

namespace comm::win32 {

namespace {

constexpr ULONG_PTR kStatusPending = 0x103;         // STATUS_PENDING
constexpr ULONG_PTR kStatusCancelled = 0xC0000120;  // STATUS_CANCELLED

// The system writes the status last, and sets the event after it.
ULONG_PTR Status(const SystemOperation& operation) {
  return std::atomic_ref<ULONG_PTR>(const_cast<ULONG_PTR&>(operation.block.Internal))
      .load(std::memory_order_acquire);
}

}  // namespace

bool IsPending(const SystemOperation& operation) {
  return Status(operation) == kStatusPending;
}

std::int32_t Outcome(const SystemOperation& operation, DWORD* transferred) {
  const auto status = static_cast<NTSTATUS>(Status(operation));
  *transferred = static_cast<comm::DWORD>(operation.block.InternalHigh);
  // Success and information statuses count as success: STATUS_TIMEOUT among
  // them, with which a read or write that ran out of time completes with what
  // it transferred (Wine's GetOverlappedResult reports it as a failure, which
  // is why the status is judged here).
  if (status >= 0) return 0;
  if (operation.cutShort &&
      static_cast<ULONG_PTR>(static_cast<ULONG>(status)) == kStatusCancelled) {
    return 0;
  }
  return static_cast<std::int32_t>(::RtlNtStatusToDosError(status));
}

std::shared_ptr<SystemOperation> SystemOperations::Start(const OVERLAPPED* ov, OperationKind kind,
                                                         const Event& event) {
  std::lock_guard lock(mu_);
  auto& slot = operations_[ov];
  if (slot && IsPending(*slot)) return nullptr;
  slot = std::make_shared<SystemOperation>();
  slot->kind = kind;
  slot->event = event;
  slot->block.hEvent = event.Native()->handle;
  return slot;
}

std::shared_ptr<SystemOperation> SystemOperations::Find(const OVERLAPPED* ov) const {
  std::lock_guard lock(mu_);
  const auto it = operations_.find(ov);
  return it == operations_.end() ? nullptr : it->second;
}

void SystemOperations::Drop(const OVERLAPPED* ov, const SystemOperation* operation) {
  std::lock_guard lock(mu_);
  const auto it = operations_.find(ov);
  if (it != operations_.end() && it->second.get() == operation) operations_.erase(it);
}

std::vector<std::shared_ptr<SystemOperation>> SystemOperations::All() const {
  std::lock_guard lock(mu_);
  std::vector<std::shared_ptr<SystemOperation>> all;
  for (const auto& [ov, operation] : operations_) all.push_back(operation);
  return all;
}

}  // namespace comm::win32
