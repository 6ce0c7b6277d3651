#include "platform/serial/sim/SimDevice.h"

#include <cstdio>

#include "platform/serial/Overlapped.h"
#include "platform/serial/SystemErrorNumbers.h"
#include "platform/serial/sim/SimLine.h"

namespace comm::sim {

namespace {

std::string Hex(DWORD value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(value));
  return text;
}

// A fresh device starts with the Windows defaults of an opened port.
DCB InitialDcb() {
  DCB dcb;
  dcb.DCBlength = 28;
  dcb.BaudRate = 9600;
  dcb.fBinary = true;
  dcb.fDtrControl = 1;
  dcb.fRtsControl = 1;
  dcb.XonLim = 2048;
  dcb.XoffLim = 512;
  dcb.ByteSize = 8;
  dcb.XonChar = 17;
  dcb.XoffChar = 19;
  return dcb;
}

}  // namespace

SimState::SimState(std::string portName) : name(std::move(portName)), dcb(InitialDcb()) {}

std::int32_t SimState::Enter(SimCall call, const std::string& text) {
  std::lock_guard lock(mu);
  calls.push_back(Record{call, text.empty() ? SimCallName(call) : text});
  const auto it = failures.find(call);
  if (it == failures.end()) return 0;
  const std::int32_t error = it->second.error;
  if (it->second.once) failures.erase(it);
  return error;
}

bool SimState::OutputFlows() const {
  if (holdOutput) return false;
  if (dcb.fOutxCtsFlow && (modem & MS_CTS_ON) == 0) return false;
  return !(dcb.fOutxDsrFlow && (modem & MS_DSR_ON) == 0);
}

std::shared_ptr<DeviceBackend> SimDevice::Open(const std::shared_ptr<SimState>& state,
                                               std::int32_t* error) {
  if ((*error = state->Enter(SimCall::CreateFile)) != 0) return nullptr;
  DCB dcb;
  {
    std::lock_guard lock(state->mu);
    if (state->open || !state->plugged) {
      *error = state->open ? kErrDeviceBusy : kErrNoDevice;
      return nullptr;
    }
    state->open = true;
    ++state->openCount;
    state->mask = 0;
    state->timeouts = COMMTIMEOUTS{};
    dcb = state->dcb;
  }
  auto device = std::make_shared<LineDevice>(state->name, std::make_unique<SimLine>(state), dcb);
  device->Start();
  return std::make_shared<SimDevice>(state, std::move(device));
}

SimDevice::SimDevice(std::shared_ptr<SimState> state, std::shared_ptr<LineDevice> device)
    : state_(std::move(state)), device_(std::move(device)) {}

std::int32_t SimDevice::Close() {
  const std::int32_t error = state_->Enter(SimCall::CloseHandle);
  const std::int32_t result = device_->Close();
  return error != 0 ? error : result;
}

std::int32_t SimDevice::SetupComm(DWORD inQueue, DWORD outQueue) {
  const std::string text =
      "SetupComm(" + std::to_string(inQueue) + "," + std::to_string(outQueue) + ")";
  if (const std::int32_t error = state_->Enter(SimCall::SetupComm, text)) return error;
  const std::int32_t result = device_->SetupComm(inQueue, outQueue);
  if (result == 0) {
    std::lock_guard lock(state_->mu);
    state_->inputSize = inQueue;
    state_->outputSize = outQueue;
  }
  return result;
}

std::int32_t SimDevice::SetCommState(const DCB& dcb) {
  if (const std::int32_t error = state_->Enter(SimCall::SetCommState)) return error;
  return device_->SetCommState(dcb);
}

std::int32_t SimDevice::GetCommState(DCB* dcb) {
  if (const std::int32_t error = state_->Enter(SimCall::GetCommState)) return error;
  return device_->GetCommState(dcb);
}

std::int32_t SimDevice::SetCommTimeouts(const COMMTIMEOUTS& timeouts) {
  if (const std::int32_t error = state_->Enter(SimCall::SetCommTimeouts)) return error;
  const std::int32_t result = device_->SetCommTimeouts(timeouts);
  if (result == 0) {
    std::lock_guard lock(state_->mu);
    state_->timeouts = timeouts;
  }
  return result;
}

std::int32_t SimDevice::GetCommTimeouts(COMMTIMEOUTS* timeouts) {
  if (const std::int32_t error = state_->Enter(SimCall::GetCommTimeouts)) return error;
  return device_->GetCommTimeouts(timeouts);
}

std::int32_t SimDevice::PurgeComm(DWORD flags) {
  const std::string text = "PurgeComm(" + Hex(flags) + ")";
  if (const std::int32_t error = state_->Enter(SimCall::PurgeComm, text)) return error;
  return device_->PurgeComm(flags);
}

std::int32_t SimDevice::ClearCommError(DWORD* errors, COMSTAT* stat) {
  if (const std::int32_t error = state_->Enter(SimCall::ClearCommError)) return error;
  return device_->ClearCommError(errors, stat);
}

std::int32_t SimDevice::GetCommModemStatus(DWORD* status) {
  if (const std::int32_t error = state_->Enter(SimCall::GetCommModemStatus)) return error;
  return device_->GetCommModemStatus(status);
}

std::int32_t SimDevice::SetCommMask(DWORD mask) {
  const std::string text = "SetCommMask(" + Hex(mask) + ")";
  if (const std::int32_t error = state_->Enter(SimCall::SetCommMask, text)) return error;
  const std::int32_t result = device_->SetCommMask(mask);
  if (result == 0) {
    std::lock_guard lock(state_->mu);
    state_->mask = mask;
  }
  return result;
}

std::int32_t SimDevice::GetCommMask(DWORD* mask) {
  if (const std::int32_t error = state_->Enter(SimCall::GetCommMask)) return error;
  return device_->GetCommMask(mask);
}

std::int32_t SimDevice::WaitCommEvent(DWORD* mask, OVERLAPPED* ov) {
  if (const std::int32_t error = state_->Enter(SimCall::WaitCommEvent)) {
    overlapped::FailWait(ov, error);
    return error;
  }
  return device_->WaitCommEvent(mask, ov);
}

std::int32_t SimDevice::WriteFile(const void* buffer, DWORD count, DWORD* done, OVERLAPPED* ov) {
  const std::string text = "WriteFile(" + std::to_string(count) + ")";
  if (const std::int32_t error = state_->Enter(SimCall::WriteFile, text)) {
    overlapped::FailTransfer(ov, error);
    return error;
  }
  return device_->WriteFile(buffer, count, done, ov);
}

std::int32_t SimDevice::ReadFile(void* buffer, DWORD count, DWORD* done, OVERLAPPED* ov) {
  const std::string text = "ReadFile(" + std::to_string(count) + ")";
  if (const std::int32_t error = state_->Enter(SimCall::ReadFile, text)) {
    overlapped::FailTransfer(ov, error);
    return error;
  }
  return device_->ReadFile(buffer, count, done, ov);
}

}  // namespace comm::sim
