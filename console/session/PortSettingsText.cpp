#include "console/session/PortSettingsText.h"

std::string PortSettingsText(const TCustomComPort& port) {
  const std::string rate = port.BaudRate() == brCustom ? IntToStr(port.CustomBaudRate())
                                                       : BaudRateToText(port.BaudRate());
  return rate + " bit/s, " + DataBitsToText(port.DataBits()) + " data bits, parity " +
         ParityToText(port.Parity().Bits()) + ", " + StopBitsToText(port.StopBits()) +
         " stop bit(s), flow control " + FlowControlToText(port.FlowControl().FlowControl());
}
