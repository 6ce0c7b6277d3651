#include "platform/serial/win32/Win32Device.h"

#include <algorithm>
#include <mutex>

#include "platform/serial/Overlapped.h"
#include "platform/serial/win32/CommMapping.h"

namespace comm::win32 {

namespace {

// The interface's 32-bit words as the system's DWORD (same size, other type).
LPDWORD Word(comm::DWORD* word) {
  static_assert(sizeof(comm::DWORD) == sizeof(::DWORD));
  return reinterpret_cast<LPDWORD>(word);
}

bool ReturnsAtOnce(const ::COMMTIMEOUTS& timeouts) {
  return timeouts.ReadIntervalTimeout == MAXDWORD && timeouts.ReadTotalTimeoutMultiplier == 0 &&
         timeouts.ReadTotalTimeoutConstant == 0;
}

}  // namespace

Win32Device::Win32Device(std::string name, HANDLE handle)
    : name_(std::move(name)), handle_(handle) {
  ::COMMTIMEOUTS timeouts{};
  if (::GetCommTimeouts(handle_, &timeouts)) readsReturnAtOnce_ = ReturnsAtOnce(timeouts);
}

Win32Device::~Win32Device() {
  Close();
}

std::int32_t Win32Device::Call(const std::function<BOOL(HANDLE)>& call) {
  std::shared_lock lock(mu_);
  if (handle_ == INVALID_HANDLE_VALUE) return ERROR_INVALID_HANDLE;
  if (call(handle_)) return 0;
  return static_cast<std::int32_t>(::GetLastError());
}

std::int32_t Win32Device::Close() {
  std::unique_lock lock(mu_);
  if (handle_ == INVALID_HANDLE_VALUE) return ERROR_INVALID_HANDLE;
  // Every pending operation ends as cancelled. The system finishes writing
  // each block before it lets go of it, so wait for that before the handle
  // goes; the blocks stay here for callers that fetch the outcome later.
  ::CancelIoEx(handle_, nullptr);
  for (const auto& operation : operations_.All()) {
    ::DWORD unused = 0;
    if (IsPending(*operation)) ::GetOverlappedResult(handle_, &operation->block, &unused, TRUE);
  }
  const BOOL closed = ::CloseHandle(handle_);
  const DWORD error = closed ? 0 : ::GetLastError();
  handle_ = INVALID_HANDLE_VALUE;
  return static_cast<std::int32_t>(error);
}

std::int32_t Win32Device::SetupComm(DWORD inQueue, DWORD outQueue) {
  // A size of 0 is passed on as it is: the device refuses it as before.
  const DWORD input = inQueue == 0 ? 0 : std::max(inQueue, kMinSystemInputQueue);
  return Call([&](HANDLE h) { return ::SetupComm(h, input, outQueue); });
}

std::int32_t Win32Device::SetCommState(const DCB& dcb) {
  ::DCB system = ToSystem(dcb);
  return Call([&](HANDLE h) { return ::SetCommState(h, &system); });
}

std::int32_t Win32Device::GetCommState(DCB* dcb) {
  ::DCB system{};
  system.DCBlength = sizeof system;
  const std::int32_t error = Call([&](HANDLE h) { return ::GetCommState(h, &system); });
  if (error == 0) *dcb = FromSystem(system);
  return error;
}

std::int32_t Win32Device::SetCommTimeouts(const COMMTIMEOUTS& timeouts) {
  ::COMMTIMEOUTS system = ToSystem(timeouts);
  const std::int32_t error = Call([&](HANDLE h) { return ::SetCommTimeouts(h, &system); });
  if (error == 0) readsReturnAtOnce_ = ReturnsAtOnce(system);
  return error;
}

std::int32_t Win32Device::GetCommTimeouts(COMMTIMEOUTS* timeouts) {
  ::COMMTIMEOUTS system{};
  const std::int32_t error = Call([&](HANDLE h) { return ::GetCommTimeouts(h, &system); });
  if (error == 0) *timeouts = FromSystem(system);
  return error;
}

std::int32_t Win32Device::PurgeComm(DWORD flags) {
  std::shared_lock lock(mu_);
  if (handle_ == INVALID_HANDLE_VALUE) return ERROR_INVALID_HANDLE;
  if (!::PurgeComm(handle_, flags)) return static_cast<std::int32_t>(::GetLastError());
  // The abort flags end every pending read or write. A driver that only
  // empties its queues (Wine's does) leaves them running: cancel what it left.
  CancelPending((flags & PURGE_RXABORT) != 0, (flags & PURGE_TXABORT) != 0);
  return 0;
}

void Win32Device::CancelPending(bool reads, bool writes) {
  for (const auto& operation : operations_.All()) {
    const bool aborted = (reads && operation->kind == OperationKind::Read) ||
                         (writes && operation->kind == OperationKind::Write);
    if (aborted && IsPending(*operation)) ::CancelIoEx(handle_, &operation->block);
  }
}

std::int32_t Win32Device::ClearCommError(DWORD* errors, COMSTAT* stat) {
  ::DWORD systemErrors = 0;
  ::COMSTAT systemStat{};
  const std::int32_t error =
      Call([&](HANDLE h) { return ::ClearCommError(h, &systemErrors, &systemStat); });
  if (error != 0) return error;
  if (errors != nullptr) *errors = systemErrors;
  if (stat != nullptr) *stat = COMSTAT{systemStat.cbInQue, systemStat.cbOutQue};
  return 0;
}

std::int32_t Win32Device::GetCommModemStatus(DWORD* status) {
  return Call([&](HANDLE h) { return ::GetCommModemStatus(h, Word(status)); });
}

std::int32_t Win32Device::SetCommMask(DWORD mask) {
  return Call([&](HANDLE h) { return ::SetCommMask(h, mask); });
}

std::int32_t Win32Device::GetCommMask(DWORD* mask) {
  return Call([&](HANDLE h) { return ::GetCommMask(h, Word(mask)); });
}

std::int32_t Win32Device::Start(OperationKind kind, OVERLAPPED* ov,
                                const std::function<BOOL(HANDLE, ::OVERLAPPED*)>& call,
                                const std::function<void(HANDLE, SystemOperation&)>& pending) {
  std::shared_lock lock(mu_);
  std::int32_t error = ERROR_INVALID_HANDLE;
  if (handle_ != INVALID_HANDLE_VALUE) {
    const auto operation = operations_.Start(ov, kind, ov->hEvent);
    // A block whose operation still runs is left alone.
    if (operation == nullptr) return ERROR_INVALID_PARAMETER;
    overlapped::Begin(ov);
    // TRUE: done at once; the system has still written the block and set the
    // event, and the outcome is fetched as for any other completion.
    if (call(handle_, &operation->block)) return 0;
    error = static_cast<std::int32_t>(::GetLastError());
    if (error == ERROR_IO_PENDING) {
      if (pending) pending(handle_, *operation);
      return error;
    }
    operations_.Drop(ov, operation.get());
  }
  // Not started: the interface's block holds the failure.
  if (kind == OperationKind::Wait) {
    overlapped::FailWait(ov, error);
  } else {
    overlapped::FailTransfer(ov, error);
  }
  return error;
}

std::int32_t Win32Device::WaitCommEvent(DWORD* mask, OVERLAPPED* ov) {
  return Start(OperationKind::Wait, ov, [&](HANDLE h, ::OVERLAPPED* block) {
    return ::WaitCommEvent(h, Word(mask), block);
  });
}

std::int32_t Win32Device::WriteFile(const void* buffer, DWORD count, DWORD* done, OVERLAPPED* ov) {
  return Start(OperationKind::Write, ov, [&](HANDLE h, ::OVERLAPPED* block) {
    return ::WriteFile(h, buffer, count, done == nullptr ? nullptr : Word(done), block);
  });
}

std::int32_t Win32Device::ReadFile(void* buffer, DWORD count, DWORD* done, OVERLAPPED* ov) {
  return Start(
      OperationKind::Read, ov,
      [&](HANDLE h, ::OVERLAPPED* block) {
        return ::ReadFile(h, buffer, count, done == nullptr ? nullptr : Word(done), block);
      },
      [&](HANDLE h, SystemOperation& operation) {
        // Under "return at once" a read never waits for bytes. A driver that
        // leaves it pending on an empty queue (Wine's on a pseudo-terminal)
        // has it cut short: it ends with what it got, which is nothing.
        if (readsReturnAtOnce_) {
          operation.cutShort = true;
          ::CancelIoEx(h, &operation.block);
        }
      });
}

std::int32_t Win32Device::GetOverlappedResult(OVERLAPPED* ov, DWORD* transferred, bool wait) {
  const auto operation = operations_.Find(ov);
  // Not one of ours, or its outcome was fetched before: the block says.
  if (operation == nullptr) return DeviceBackend::GetOverlappedResult(ov, transferred, wait);
  if (IsPending(*operation)) {
    if (!wait) return ERROR_IO_INCOMPLETE;
    while (IsPending(*operation)) ::WaitForSingleObject(operation->block.hEvent, INFINITE);
  }
  DWORD bytes = 0;
  const std::int32_t status = Outcome(*operation, &bytes);
  // From now on the interface's block tells the same, and the system's goes.
  overlapped::Complete(ov, Event(), status, bytes);
  operations_.Drop(ov, operation.get());
  if (transferred != nullptr) *transferred = bytes;
  return status;
}

}  // namespace comm::win32
