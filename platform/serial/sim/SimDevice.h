// The handle side of a simulated device: records every call in the port's
// log, reports the failures the test asked for, and passes the rest to the
// LineDevice that does the work.
#pragma once

#include <memory>

#include "platform/serial/LineDevice.h"
#include "platform/serial/sim/SimState.h"

namespace comm::sim {

class SimDevice : public DeviceBackend {
 public:
  SimDevice(std::shared_ptr<SimState> state, std::shared_ptr<LineDevice> device);

  // The opener registered under the port's name.
  static std::shared_ptr<DeviceBackend> Open(const std::shared_ptr<SimState>& state,
                                             std::int32_t* error);

  const std::string& Name() const override { return device_->Name(); }
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

 private:
  const std::shared_ptr<SimState> state_;
  const std::shared_ptr<LineDevice> device_;
};

}  // namespace comm::sim
