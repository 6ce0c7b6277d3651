// comm::Device: the handle checks and the last error; everything else is the
// backend's.
#include <string_view>

#include "platform/serial/DeviceBackend.h"
#include "platform/serial/DeviceRegistry.h"
#include "platform/serial/Overlapped.h"
#include "platform/serial/SystemErrorNumbers.h"

namespace comm {

namespace {

const std::string kNoName;

// The result of a call: true on success, else false with the last error.
bool Result(std::int32_t error) {
  if (error == 0) return true;
  SetLastError(error);
  return false;
}

std::string StripDevicePrefix(const std::string& name) {
  constexpr std::string_view prefix = "\\\\.\\";
  if (name.size() > prefix.size() && std::string_view(name).substr(0, prefix.size()) == prefix) {
    return name.substr(prefix.size());
  }
  return name;
}

}  // namespace

Device Device::Open(const std::string& name) {
  const std::string bare = StripDevicePrefix(name);
  std::int32_t error = 0;
  if (std::optional<Device> device = DeviceRegistry::Open(bare, &error)) {
    if (!device->Valid()) SetLastError(error != 0 ? error : kErrNoDevice);
    return *device;
  }
  std::shared_ptr<DeviceBackend> backend = OpenSystemDevice(bare, &error);
  if (!backend) {
    SetLastError(error != 0 ? error : kErrNoDevice);
    return Device();
  }
  return Device(std::move(backend));
}

const std::string& Device::Name() const {
  return impl_ ? impl_->Name() : kNoName;
}

bool Device::CloseHandle() {
  return Result(impl_ ? impl_->Close() : kErrBadHandle);
}

bool Device::SetupComm(DWORD inQueue, DWORD outQueue) {
  return Result(impl_ ? impl_->SetupComm(inQueue, outQueue) : kErrBadHandle);
}

bool Device::SetCommState(const DCB& dcb) {
  return Result(impl_ ? impl_->SetCommState(dcb) : kErrBadHandle);
}

bool Device::GetCommState(DCB* dcb) {
  if (!impl_) return Result(kErrBadHandle);
  if (dcb == nullptr) return Result(kErrInvalidArgument);
  return Result(impl_->GetCommState(dcb));
}

bool Device::SetCommTimeouts(const COMMTIMEOUTS& timeouts) {
  return Result(impl_ ? impl_->SetCommTimeouts(timeouts) : kErrBadHandle);
}

bool Device::GetCommTimeouts(COMMTIMEOUTS* timeouts) {
  if (!impl_) return Result(kErrBadHandle);
  if (timeouts == nullptr) return Result(kErrInvalidArgument);
  return Result(impl_->GetCommTimeouts(timeouts));
}

bool Device::PurgeComm(DWORD flags) {
  return Result(impl_ ? impl_->PurgeComm(flags) : kErrBadHandle);
}

bool Device::ClearCommError(DWORD* errors, COMSTAT* stat) {
  return Result(impl_ ? impl_->ClearCommError(errors, stat) : kErrBadHandle);
}

bool Device::GetCommModemStatus(DWORD* status) {
  if (!impl_) return Result(kErrBadHandle);
  if (status == nullptr) return Result(kErrInvalidArgument);
  return Result(impl_->GetCommModemStatus(status));
}

bool Device::SetCommMask(DWORD mask) {
  return Result(impl_ ? impl_->SetCommMask(mask) : kErrBadHandle);
}

bool Device::GetCommMask(DWORD* mask) {
  if (!impl_) return Result(kErrBadHandle);
  if (mask == nullptr) return Result(kErrInvalidArgument);
  return Result(impl_->GetCommMask(mask));
}

bool Device::WaitCommEvent(DWORD* mask, OVERLAPPED* ov) {
  if (ov == nullptr || !ov->hEvent.Valid() || mask == nullptr) return Result(kErrInvalidArgument);
  if (!impl_) {
    overlapped::FailWait(ov, kErrBadHandle);
    return Result(kErrBadHandle);
  }
  return Result(impl_->WaitCommEvent(mask, ov));
}

namespace {

// What stops a read or write before the backend sees it: bad arguments
// (left alone: kErrInvalidArgument) or no device (the block completes with kErrBadHandle).
std::int32_t CheckTransfer(bool valid, const void* buffer, DWORD count, DWORD* done,
                           OVERLAPPED* ov) {
  if (ov == nullptr || !ov->hEvent.Valid() || (buffer == nullptr && count > 0))
    return kErrInvalidArgument;
  if (done != nullptr) *done = 0;
  if (!valid) {
    overlapped::FailTransfer(ov, kErrBadHandle);
    return kErrBadHandle;
  }
  return 0;
}

}  // namespace

bool Device::WriteFile(const void* buffer, DWORD count, DWORD* done, OVERLAPPED* ov) {
  if (const std::int32_t error = CheckTransfer(Valid(), buffer, count, done, ov)) {
    return Result(error);
  }
  return Result(impl_->WriteFile(buffer, count, done, ov));
}

bool Device::ReadFile(void* buffer, DWORD count, DWORD* done, OVERLAPPED* ov) {
  if (const std::int32_t error = CheckTransfer(Valid(), buffer, count, done, ov)) {
    return Result(error);
  }
  return Result(impl_->ReadFile(buffer, count, done, ov));
}

bool Device::GetOverlappedResult(OVERLAPPED* ov, DWORD* transferred, bool wait) {
  if (ov == nullptr) return Result(kErrInvalidArgument);
  return Result(impl_ ? impl_->GetOverlappedResult(ov, transferred, wait)
                      : overlapped::Result(ov, transferred, wait));
}

std::int32_t DeviceBackend::GetOverlappedResult(OVERLAPPED* ov, DWORD* transferred, bool wait) {
  return overlapped::Result(ov, transferred, wait);
}

}  // namespace comm
