// Opening and closing the device handle, and turning the settings into the
// device's control block, time-outs and buffer sizes.
#include "serial/CPort.h"

void TCustomComPort::OpenDevice() {
  const std::string deviceName = "\\\\.\\" + FPort;
  FDeviceHandle = comm::Device::Open(deviceName);
  if (!FDeviceHandle.Valid()) {
    const std::int32_t error = comm::GetLastError();
    comm::OutputDebugStringA("CreateFile " + deviceName);
    throw EComPortExt(FPort, ecOpenFailed, error);
  }
}

void TCustomComPort::CloseDevice() {
  if (FDeviceHandle.Valid()) FDeviceHandle.CloseHandle();
}

void TCustomComPort::ApplySettings() {
  ApplyBufferSizes();
  ApplyLineSettings();
  ApplyTimeoutSettings();
}

bool TCustomComPort::CanApply() const {
  return FConnected && !Loading();
}

comm::DCB TCustomComPort::BuildDCB() const {
  const TComParity& parity = *FParity;
  const TComFlowControl& flow = *FFlowControl;
  const bool replace = parity.Check() && parity.Replace();

  comm::DCB dcb;  // built from the settings alone: every other field stays zero
  dcb.DCBlength = 28;
  dcb.BaudRate =
      static_cast<comm::DWORD>(FBaudRate == brCustom ? FCustomBaudRate : BaudRateToInt(FBaudRate));
  dcb.fBinary = true;
  dcb.fParity = parity.Check();
  dcb.fOutxCtsFlow = flow.OutCTSFlow();
  dcb.fOutxDsrFlow = flow.OutDSRFlow();
  dcb.fDtrControl = flow.ControlDTR();
  dcb.fDsrSensitivity = flow.DSRSensitivity();
  dcb.fTXContinueOnXoff = flow.TxContinueOnXoff();
  dcb.fOutX = flow.XonXoffOut();
  dcb.fInX = flow.XonXoffIn();
  dcb.fErrorChar = replace;
  dcb.fNull = FDiscardNull;
  dcb.fRtsControl = flow.ControlRTS();
  dcb.fAbortOnError = false;
  dcb.XonLim = static_cast<std::uint16_t>(FBuffer->InputSize() / 4);
  dcb.XoffLim = dcb.XonLim;
  dcb.ByteSize = static_cast<std::uint8_t>(5 + FDataBits);
  dcb.Parity = parity.Bits();
  dcb.StopBits = FStopBits;
  dcb.XonChar = static_cast<std::uint8_t>(flow.XonChar());
  dcb.XoffChar = static_cast<std::uint8_t>(flow.XoffChar());
  dcb.ErrorChar = replace ? static_cast<std::uint8_t>(parity.ReplaceChar()) : 0;
  dcb.EofChar = 0;
  dcb.EvtChar = static_cast<std::uint8_t>(FEventChar);
  return dcb;
}

void TCustomComPort::ApplyLineSettings() {
  if (!CanApply()) return;
  if (!FDeviceHandle.SetCommState(BuildDCB())) RaiseSystemError(ecSetState);
}

void TCustomComPort::ApplyTimeoutSettings() {
  if (!CanApply()) return;
  // Each value as its 32-bit pattern: -1 becomes MAXDWORD.
  comm::COMMTIMEOUTS timeouts;
  timeouts.ReadIntervalTimeout = static_cast<comm::DWORD>(FTimeouts->ReadInterval());
  timeouts.ReadTotalTimeoutMultiplier = static_cast<comm::DWORD>(FTimeouts->ReadTotalMultiplier());
  timeouts.ReadTotalTimeoutConstant = static_cast<comm::DWORD>(FTimeouts->ReadTotalConstant());
  timeouts.WriteTotalTimeoutMultiplier =
      static_cast<comm::DWORD>(FTimeouts->WriteTotalMultiplier());
  timeouts.WriteTotalTimeoutConstant = static_cast<comm::DWORD>(FTimeouts->WriteTotalConstant());
  if (!FDeviceHandle.SetCommTimeouts(timeouts)) RaiseSystemError(ecSetTimeouts);
}

void TCustomComPort::ApplyBufferSizes() {
  if (!CanApply()) return;
  if (!FDeviceHandle.SetupComm(static_cast<comm::DWORD>(FBuffer->InputSize()),
                               static_cast<comm::DWORD>(FBuffer->OutputSize()))) {
    RaiseSystemError(ecSetupComm);
  }
}
