// The port component: creation, destruction and the property setters.
#include "serial/CPort.h"
#include "serial/ComEventWait.h"

TCustomComPort::TCustomComPort(TComponent* owner) : TComponent(owner) {
  // The scalar settings have their initial values (see the fields); the
  // settings objects follow in this order, each bound to this port.
  FParity = std::make_unique<TComParity>();
  FParity->AttachPort(this);
  FFlowControl = std::make_unique<TComFlowControl>();
  FFlowControl->AttachPort(this);
  FTimeouts = std::make_unique<TComTimeouts>();
  FTimeouts->AttachPort(this);
  FBuffer = std::make_unique<TComBuffer>();
  FBuffer->AttachPort(this);
}

TCustomComPort::~TCustomComPort() {
  Shutdown();
  FBuffer.reset();
  FFlowControl.reset();
  FTimeouts.reset();
  FParity.reset();
  // Components that hear about this port (a bound LED unregisters its link)
  // are told now, while the link list still exists.
  DestroyComponents();
  FLinkList.clear();
}

void TCustomComPort::RaiseSystemError(std::int32_t code) const {
  RaiseSystemError(code, comm::GetLastError());
}

void TCustomComPort::RaiseSystemError(std::int32_t code, std::int32_t systemError) const {
  if (comm::IsDeviceGoneError(systemError)) FOwnDeviceGone = systemError;
  throw EComPortExt(FPort, code, systemError);
}

// Setters of the line settings: compare, store, apply the control block.
template <typename T>
void TCustomComPort::SetLineSetting(T& field, T value) {
  if (field == value) return;
  field = value;
  ApplyLineSettings();
}

void TCustomComPort::SetBaudRate(TBaudRate value) {
  SetLineSetting(FBaudRate, value);
}
void TCustomComPort::SetCustomBaudRate(std::int32_t value) {
  SetLineSetting(FCustomBaudRate, value);
}
void TCustomComPort::SetStopBits(TStopBits value) {
  SetLineSetting(FStopBits, value);
}
void TCustomComPort::SetDataBits(TDataBits value) {
  SetLineSetting(FDataBits, value);
}
void TCustomComPort::SetDiscardNull(bool value) {
  SetLineSetting(FDiscardNull, value);
}
void TCustomComPort::SetEventChar(char value) {
  SetLineSetting(FEventChar, value);
}

void TCustomComPort::SetSyncMethod(TSyncMethod value) {
  if (value == FSyncMethod) return;
  if (FConnected && !Loading()) throw EComPort(FPort, ecConnectedProperty);
  FSyncMethod = value;
}

// Setters of the settings objects: copy the values in (nothing applied by
// the copy), then apply the group once, also when nothing changed.
void TCustomComPort::SetParity(const TComParity& value) {
  FParity->Assign(value);
  ApplyLineSettings();
}

void TCustomComPort::SetFlowControl(const TComFlowControl& value) {
  FFlowControl->Assign(value);
  ApplyLineSettings();
}

void TCustomComPort::SetTimeouts(const TComTimeouts& value) {
  FTimeouts->Assign(value);
  ApplyTimeoutSettings();
}

void TCustomComPort::SetBuffer(const TComBuffer& value) {
  FBuffer->Assign(value);
  ApplyBufferSizes();
}

std::int32_t PortWrite(TCustomComPort& port, const void* buffer, std::int32_t count) {
  return port.Write(buffer, count);
}
