// What a serial device implementation provides below comm::Device: the comm
// calls, each returning 0 on success or the error number (ERROR_IO_PENDING
// for an overlapped operation that was started and completes later).
// Device checks the handle and the required pointers before forwarding.
#pragma once

#include <cstdint>
#include <string>

#include "platform/serial/CommDevice.h"

namespace comm {

// The least input queue a system device keeps, whatever SetupComm asks, as
// Windows drivers take SetupComm's size as a request they may exceed: a
// stream is then not handed over a kilobyte at a time. The flow-control
// limits stay those the caller computed from the size it asked for.
inline constexpr DWORD kMinSystemInputQueue = 64 * 1024;

class DeviceBackend {
 public:
  virtual ~DeviceBackend() = default;

  virtual const std::string& Name() const = 0;

  virtual std::int32_t Close() = 0;
  virtual std::int32_t SetupComm(DWORD inQueue, DWORD outQueue) = 0;
  virtual std::int32_t SetCommState(const DCB& dcb) = 0;
  virtual std::int32_t GetCommState(DCB* dcb) = 0;
  virtual std::int32_t SetCommTimeouts(const COMMTIMEOUTS& timeouts) = 0;
  virtual std::int32_t GetCommTimeouts(COMMTIMEOUTS* timeouts) = 0;
  virtual std::int32_t PurgeComm(DWORD flags) = 0;
  // errors and stat may be null.
  virtual std::int32_t ClearCommError(DWORD* errors, COMSTAT* stat) = 0;
  virtual std::int32_t GetCommModemStatus(DWORD* status) = 0;
  virtual std::int32_t SetCommMask(DWORD mask) = 0;
  virtual std::int32_t GetCommMask(DWORD* mask) = 0;

  // Overlapped operations (see Overlapped.h for how the block is written).
  // done may be null.
  virtual std::int32_t WaitCommEvent(DWORD* mask, OVERLAPPED* ov) = 0;
  virtual std::int32_t WriteFile(const void* buffer, DWORD count, DWORD* done, OVERLAPPED* ov) = 0;
  virtual std::int32_t ReadFile(void* buffer, DWORD count, DWORD* done, OVERLAPPED* ov) = 0;
  // The outcome of an operation started on this device. By default it is read
  // from the block, as the device wrote it; a backend whose system completes
  // operations in blocks of its own (win32/) fetches it from there.
  virtual std::int32_t GetOverlappedResult(OVERLAPPED* ov, DWORD* transferred, bool wait);
};

}  // namespace comm
