#include "console/protocol/DispenserLine.h"

#include "serial/CPort.h"

void SetDispenserLine(TCustomComPort& port) {
  port.SetBaudRate(br9600);
  port.SetDataBits(dbEight);
  port.SetStopBits(sbOneStopBit);
  port.Parity().SetBits(prNone);
  port.Parity().SetReplace(true);
  TComFlowControl& flow = port.FlowControl();
  flow.SetOutCTSFlow(false);
  flow.SetOutDSRFlow(false);
  flow.SetControlDTR(dtrEnable);
  flow.SetControlRTS(rtsEnable);
  flow.SetXonXoffOut(false);
  flow.SetXonXoffIn(false);
}
