// A serial port opened through the Windows comm calls. Every interface call
// is the system call of the same name on the device's handle; overlapped
// operations run in the system's blocks (SystemOperations.h) with the
// caller's event, which the system sets on completion.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <shared_mutex>
#include <string>

#include "platform/serial/DeviceBackend.h"
#include "platform/serial/win32/SystemOperations.h"

namespace comm::win32 {

class Win32Device : public DeviceBackend {
 public:
  Win32Device(std::string name, HANDLE handle);
  ~Win32Device() override;
  Win32Device(const Win32Device&) = delete;
  Win32Device& operator=(const Win32Device&) = delete;

  const std::string& Name() const override { return name_; }

  std::int32_t Close() override;
  std::int32_t SetupComm(DWORD inQueue, DWORD outQueue) override;
  std::int32_t SetCommState(const DCB& dcb) override;
  std::int32_t GetCommState(DCB* dcb) override;
  std::int32_t SetCommTimeouts(const COMMTIMEOUTS& timeouts) override;
  std::int32_t GetCommTimeouts(COMMTIMEOUTS* timeouts) override;
  std::int32_t PurgeComm(DWORD flags) override;
  std::int32_t ClearCommError(DWORD* errors, COMSTAT* stat) override;
  std::int32_t GetCommModemStatus(DWORD* status) override;
  std::int32_t SetCommMask(DWORD mask) override;
  std::int32_t GetCommMask(DWORD* mask) override;
  std::int32_t WaitCommEvent(DWORD* mask, OVERLAPPED* ov) override;
  std::int32_t WriteFile(const void* buffer, DWORD count, DWORD* done, OVERLAPPED* ov) override;
  std::int32_t ReadFile(void* buffer, DWORD count, DWORD* done, OVERLAPPED* ov) override;
  std::int32_t GetOverlappedResult(OVERLAPPED* ov, DWORD* transferred, bool wait) override;

 private:
  // 0 when call(handle) returned TRUE, else its last error; ERROR_INVALID_HANDLE
  // once the device is closed. The handle stays open while the call runs.
  std::int32_t Call(const std::function<BOOL(HANDLE)>& call);
  // Starts an overlapped operation in a system block bound to ov; pending
  // runs once it is pending.
  std::int32_t Start(OperationKind kind, OVERLAPPED* ov,
                     const std::function<BOOL(HANDLE, ::OVERLAPPED*)>& call,
                     const std::function<void(HANDLE, SystemOperation&)>& pending = {});
  void CancelPending(bool reads, bool writes);  // with mu_ held

  const std::string name_;
  std::shared_mutex mu_;  // exclusive only while closing
  HANDLE handle_;         // INVALID_HANDLE_VALUE once closed
  // The read time-outs say "return at once with what has arrived" (read
  // interval MAXDWORD, both read totals 0).
  std::atomic<bool> readsReturnAtOnce_{false};
  SystemOperations operations_;
};

}  // namespace comm::win32
