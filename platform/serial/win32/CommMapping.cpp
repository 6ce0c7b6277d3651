#include "platform/serial/win32/CommMapping.h"

namespace comm::win32 {

::DCB ToSystem(const comm::DCB& dcb) {
  ::DCB out{};
  out.DCBlength = sizeof out;  // the system's size, whatever the caller put there
  out.BaudRate = dcb.BaudRate;
  out.fBinary = dcb.fBinary;
  out.fParity = dcb.fParity;
  out.fOutxCtsFlow = dcb.fOutxCtsFlow;
  out.fOutxDsrFlow = dcb.fOutxDsrFlow;
  out.fDtrControl = dcb.fDtrControl & 0x3;
  out.fDsrSensitivity = dcb.fDsrSensitivity;
  out.fTXContinueOnXoff = dcb.fTXContinueOnXoff;
  out.fOutX = dcb.fOutX;
  out.fInX = dcb.fInX;
  out.fErrorChar = dcb.fErrorChar;
  out.fNull = dcb.fNull;
  out.fRtsControl = dcb.fRtsControl & 0x3;
  out.fAbortOnError = dcb.fAbortOnError;
  out.XonLim = dcb.XonLim;
  out.XoffLim = dcb.XoffLim;
  out.ByteSize = dcb.ByteSize;
  out.Parity = dcb.Parity;
  out.StopBits = dcb.StopBits;
  out.XonChar = static_cast<char>(dcb.XonChar);
  out.XoffChar = static_cast<char>(dcb.XoffChar);
  out.ErrorChar = static_cast<char>(dcb.ErrorChar);
  out.EofChar = static_cast<char>(dcb.EofChar);
  out.EvtChar = static_cast<char>(dcb.EvtChar);
  return out;
}

comm::DCB FromSystem(const ::DCB& dcb) {
  comm::DCB out;
  out.DCBlength = dcb.DCBlength;
  out.BaudRate = dcb.BaudRate;
  out.fBinary = dcb.fBinary != 0;
  out.fParity = dcb.fParity != 0;
  out.fOutxCtsFlow = dcb.fOutxCtsFlow != 0;
  out.fOutxDsrFlow = dcb.fOutxDsrFlow != 0;
  out.fDtrControl = static_cast<std::uint8_t>(dcb.fDtrControl);
  out.fDsrSensitivity = dcb.fDsrSensitivity != 0;
  out.fTXContinueOnXoff = dcb.fTXContinueOnXoff != 0;
  out.fOutX = dcb.fOutX != 0;
  out.fInX = dcb.fInX != 0;
  out.fErrorChar = dcb.fErrorChar != 0;
  out.fNull = dcb.fNull != 0;
  out.fRtsControl = static_cast<std::uint8_t>(dcb.fRtsControl);
  out.fAbortOnError = dcb.fAbortOnError != 0;
  out.XonLim = dcb.XonLim;
  out.XoffLim = dcb.XoffLim;
  out.ByteSize = dcb.ByteSize;
  out.Parity = dcb.Parity;
  out.StopBits = dcb.StopBits;
  out.XonChar = static_cast<std::uint8_t>(dcb.XonChar);
  out.XoffChar = static_cast<std::uint8_t>(dcb.XoffChar);
  out.ErrorChar = static_cast<std::uint8_t>(dcb.ErrorChar);
  out.EofChar = static_cast<std::uint8_t>(dcb.EofChar);
  out.EvtChar = static_cast<std::uint8_t>(dcb.EvtChar);
  return out;
}

::COMMTIMEOUTS ToSystem(const comm::COMMTIMEOUTS& timeouts) {
  return ::COMMTIMEOUTS{timeouts.ReadIntervalTimeout, timeouts.ReadTotalTimeoutMultiplier,
                        timeouts.ReadTotalTimeoutConstant, timeouts.WriteTotalTimeoutMultiplier,
                        timeouts.WriteTotalTimeoutConstant};
}

comm::COMMTIMEOUTS FromSystem(const ::COMMTIMEOUTS& timeouts) {
  return comm::COMMTIMEOUTS{timeouts.ReadIntervalTimeout, timeouts.ReadTotalTimeoutMultiplier,
                            timeouts.ReadTotalTimeoutConstant, timeouts.WriteTotalTimeoutMultiplier,
                            timeouts.WriteTotalTimeoutConstant};
}

}  // namespace comm::win32
