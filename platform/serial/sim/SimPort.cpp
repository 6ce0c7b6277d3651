#include "platform/serial/sim/SimPort.h"

#include <stdexcept>

#include "platform/serial/DeviceRegistry.h"
#include "platform/serial/SystemErrorNumbers.h"
#include "platform/serial/sim/SimDevice.h"
#include "platform/serial/sim/SimState.h"

namespace comm::sim {

const char* SimCallName(SimCall call) {
  switch (call) {
    case SimCall::CreateFile:
      return "CreateFile";
    case SimCall::CloseHandle:
      return "CloseHandle";
    case SimCall::SetupComm:
      return "SetupComm";
    case SimCall::SetCommState:
      return "SetCommState";
    case SimCall::GetCommState:
      return "GetCommState";
    case SimCall::SetCommTimeouts:
      return "SetCommTimeouts";
    case SimCall::GetCommTimeouts:
      return "GetCommTimeouts";
    case SimCall::PurgeComm:
      return "PurgeComm";
    case SimCall::ClearCommError:
      return "ClearCommError";
    case SimCall::GetCommModemStatus:
      return "GetCommModemStatus";
    case SimCall::SetCommMask:
      return "SetCommMask";
    case SimCall::GetCommMask:
      return "GetCommMask";
    case SimCall::WaitCommEvent:
      return "WaitCommEvent";
    case SimCall::WriteFile:
      return "WriteFile";
    case SimCall::ReadFile:
      return "ReadFile";
  }
  return "?";
}

SimPort::SimPort(std::string name) : state_(std::make_shared<SimState>(std::move(name))) {
  Register();
}

SimPort::SimPort(std::string name, Unlisted) : state_(std::make_shared<SimState>(std::move(name))) {
  state_->listed = false;
}

void SimPort::Register() {
  std::weak_ptr<SimState> weak = state_;
  const bool registered = DeviceRegistry::Register(state_->name, [weak](std::int32_t* error) {
    const std::shared_ptr<SimState> state = weak.lock();
    if (!state) {
      *error = kErrNoDevice;
      return std::shared_ptr<DeviceBackend>();
    }
    return SimDevice::Open(state, error);
  });
  if (!registered) throw std::logic_error("a device named " + state_->name + " exists already");
}

SimPort::~SimPort() {
  if (state_->listed) DeviceRegistry::Unregister(state_->name);
}

std::shared_ptr<DeviceBackend> SimPort::OpenDevice(std::int32_t* error) {
  return SimDevice::Open(state_, error);
}

const std::string& SimPort::Name() const {
  return state_->name;
}

// --- the far end -------------------------------------------------------------

void SimPort::Feed(std::string_view bytes) {
  Deliver(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

void SimPort::Feed(const std::vector<std::uint8_t>& bytes) {
  Deliver(bytes.data(), bytes.size());
}

void SimPort::Deliver(const std::uint8_t* data, std::size_t count) {
  std::lock_guard delivery(state_->delivery);
  {
    std::lock_guard lock(state_->mu);
    if (state_->device == nullptr) return;
    // Bytes already waiting go first.
    if (!state_->backlog.empty()) {
      state_->backlog.insert(state_->backlog.end(), data, data + count);
      return;
    }
  }
  const std::size_t taken = state_->device->Received(data, count);
  std::lock_guard lock(state_->mu);
  state_->backlog.insert(state_->backlog.end(), data + taken, data + count);
}

void SimPort::FeedWithError(std::uint8_t byte, DWORD errors) {
  std::lock_guard delivery(state_->delivery);
  if (state_->device != nullptr) state_->device->ReceivedWithError(errors, byte);
}

void SimPort::InjectErrors(DWORD errors) {
  std::lock_guard delivery(state_->delivery);
  if (state_->device != nullptr) state_->device->ReceivedWithError(errors, -1);
}

std::size_t SimPort::Backlog() const {
  std::lock_guard lock(state_->mu);
  return state_->backlog.size();
}

std::string SimPort::Written() const {
  std::lock_guard lock(state_->mu);
  return state_->written;
}

std::string SimPort::TakeWritten() {
  std::lock_guard lock(state_->mu);
  std::string written;
  written.swap(state_->written);
  return written;
}

bool SimPort::WaitForWritten(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(state_->mu);
  return state_->writtenChanged.wait_for(lock, timeout,
                                         [&] { return state_->written.size() >= count; });
}

void SimPort::SetWriteListener(std::function<void()> listener) {
  std::lock_guard lock(state_->mu);
  state_->writeListener = std::move(listener);
}

// --- modem lines and flow --------------------------------------------------

void SimPort::SetCTS(bool on) {
  SetModemLines((ModemLines() & ~MS_CTS_ON) | (on ? MS_CTS_ON : 0));
}
void SimPort::SetDSR(bool on) {
  SetModemLines((ModemLines() & ~MS_DSR_ON) | (on ? MS_DSR_ON : 0));
}
void SimPort::SetRing(bool on) {
  SetModemLines((ModemLines() & ~MS_RING_ON) | (on ? MS_RING_ON : 0));
}
void SimPort::SetRLSD(bool on) {
  SetModemLines((ModemLines() & ~MS_RLSD_ON) | (on ? MS_RLSD_ON : 0));
}

void SimPort::SetModemLines(DWORD status) {
  status &= MS_CTS_ON | MS_DSR_ON | MS_RING_ON | MS_RLSD_ON;
  std::lock_guard delivery(state_->delivery);
  DWORD events = 0;
  bool resume = false;
  {
    std::lock_guard lock(state_->mu);
    const DWORD changed = state_->modem ^ status;
    if (changed & MS_CTS_ON) events |= EV_CTS;
    if (changed & MS_DSR_ON) events |= EV_DSR;
    if (changed & MS_RLSD_ON) events |= EV_RLSD;
    if ((changed & status & MS_RING_ON) != 0) events |= EV_RING;
    state_->modem = status;
    resume = state_->wantWritable && state_->OutputFlows();
    if (resume) state_->wantWritable = false;
  }
  if (state_->device == nullptr) return;
  if (events != 0) state_->device->ModemChanged(events, status);
  if (resume) state_->device->Writable();
}

DWORD SimPort::ModemLines() const {
  std::lock_guard lock(state_->mu);
  return state_->modem;
}

void SimPort::HoldOutput(bool hold) {
  std::lock_guard delivery(state_->delivery);
  bool resume = false;
  {
    std::lock_guard lock(state_->mu);
    state_->holdOutput = hold;
    resume = state_->wantWritable && state_->OutputFlows();
    if (resume) state_->wantWritable = false;
  }
  if (resume && state_->device != nullptr) state_->device->Writable();
}

// --- failures --------------------------------------------------------------

void SimPort::FailNext(SimCall call, std::int32_t error) {
  std::lock_guard lock(state_->mu);
  state_->failures[call] = SimState::Failure{error, true};
}

void SimPort::FailAlways(SimCall call, std::int32_t error) {
  std::lock_guard lock(state_->mu);
  state_->failures[call] = SimState::Failure{error, false};
}

void SimPort::ClearFailures() {
  std::lock_guard lock(state_->mu);
  state_->failures.clear();
}

void SimPort::Unplug() {
  std::lock_guard delivery(state_->delivery);
  {
    std::lock_guard lock(state_->mu);
    state_->plugged = false;
    state_->backlog.clear();
  }
  if (state_->device != nullptr) state_->device->Gone(kErrDeviceGone);
}

void SimPort::Plug() {
  std::lock_guard lock(state_->mu);
  state_->plugged = true;
}

// --- inspection ------------------------------------------------------------

bool SimPort::IsOpen() const {
  std::lock_guard lock(state_->mu);
  return state_->open;
}

int SimPort::OpenCount() const {
  std::lock_guard lock(state_->mu);
  return state_->openCount;
}

DCB SimPort::Dcb() const {
  std::lock_guard lock(state_->mu);
  return state_->dcb;
}

COMMTIMEOUTS SimPort::Timeouts() const {
  std::lock_guard lock(state_->mu);
  return state_->timeouts;
}

DWORD SimPort::InputSize() const {
  std::lock_guard lock(state_->mu);
  return state_->inputSize;
}

DWORD SimPort::OutputSize() const {
  std::lock_guard lock(state_->mu);
  return state_->outputSize;
}

DWORD SimPort::Mask() const {
  std::lock_guard lock(state_->mu);
  return state_->mask;
}

bool SimPort::DTR() const {
  std::lock_guard lock(state_->mu);
  return state_->open && (state_->dcb.fDtrControl == 1 || state_->dcb.fDtrControl == 2);
}

bool SimPort::RTS() const {
  std::lock_guard lock(state_->mu);
  return state_->open && (state_->dcb.fRtsControl == 1 || state_->dcb.fRtsControl == 2);
}

std::vector<std::string> SimPort::Calls() const {
  std::lock_guard lock(state_->mu);
  std::vector<std::string> texts;
  texts.reserve(state_->calls.size());
  for (const SimState::Record& record : state_->calls) texts.push_back(record.text);
  return texts;
}

std::size_t SimPort::CountCalls(SimCall call) const {
  std::lock_guard lock(state_->mu);
  std::size_t n = 0;
  for (const SimState::Record& record : state_->calls) n += record.call == call ? 1 : 0;
  return n;
}

void SimPort::ClearCalls() {
  std::lock_guard lock(state_->mu);
  state_->calls.clear();
}

}  // namespace comm::sim
