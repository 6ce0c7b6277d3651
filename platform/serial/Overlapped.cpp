#include "platform/serial/Overlapped.h"
#include "platform/serial/SystemErrorNumbers.h"

#include <atomic>

namespace comm::overlapped {

namespace {
std::atomic_ref<std::uintptr_t> Ref(std::uintptr_t& field) {
  return std::atomic_ref<std::uintptr_t>(field);
}
}  // namespace

void Begin(OVERLAPPED* ov) {
  ov->hEvent.Reset();
  Ref(ov->InternalHigh).store(0, std::memory_order_relaxed);
  Ref(ov->Internal).store(kPending, std::memory_order_release);
}

void Complete(OVERLAPPED* ov, const Event& event, std::int32_t status, std::uintptr_t bytes,
              const std::function<void()>& publish) {
  auto write = [&] {
    if (publish) publish();
    Ref(ov->InternalHigh).store(bytes, std::memory_order_relaxed);
    Ref(ov->Internal).store(static_cast<std::uintptr_t>(status), std::memory_order_release);
  };
  if (event.Valid()) {
    event.SetAfter(write);
  } else {
    write();
  }
}

std::uintptr_t Status(const OVERLAPPED* ov) {
  return Ref(const_cast<std::uintptr_t&>(ov->Internal)).load(std::memory_order_acquire);
}

std::uintptr_t Transferred(const OVERLAPPED* ov) {
  return Ref(const_cast<std::uintptr_t&>(ov->InternalHigh)).load(std::memory_order_relaxed);
}

std::int32_t Result(const OVERLAPPED* ov, DWORD* transferred, bool wait) {
  std::uintptr_t status = Status(ov);
  if (status == kPending && wait) {
    if (WaitForSingleObject(ov->hEvent, INFINITE) == WAIT_FAILED) return kErrInvalidArgument;
    status = Status(ov);
  }
  if (status == kPending) return ERROR_IO_INCOMPLETE;
  if (transferred != nullptr) *transferred = static_cast<DWORD>(Transferred(ov));
  return static_cast<std::int32_t>(status);
}

void FailTransfer(OVERLAPPED* ov, std::int32_t error) {
  Complete(ov, ov->hEvent, error, 0);
}

void FailWait(OVERLAPPED* ov, std::int32_t error) {
  ov->hEvent.Reset();
  Ref(ov->InternalHigh).store(0, std::memory_order_relaxed);
  Ref(ov->Internal).store(static_cast<std::uintptr_t>(error), std::memory_order_release);
}

}  // namespace comm::overlapped
