// The four settings objects on their own: initial values, the flow-control
// shortcut in both directions, buffer rounding and copying.
#include <gtest/gtest.h>

#include "serial/ComSettings.h"

namespace {

TEST(SettingsObjects, StartWithTheirInitialValues) {
  const TComTimeouts timeouts;
  EXPECT_EQ(timeouts.ReadInterval(), -1);
  EXPECT_EQ(timeouts.ReadTotalMultiplier(), 0);
  EXPECT_EQ(timeouts.ReadTotalConstant(), 0);
  EXPECT_EQ(timeouts.WriteTotalMultiplier(), 100);
  EXPECT_EQ(timeouts.WriteTotalConstant(), 1000);

  const TComFlowControl flow;
  EXPECT_FALSE(flow.OutCTSFlow() || flow.OutDSRFlow() || flow.XonXoffOut() || flow.XonXoffIn() ||
               flow.DSRSensitivity() || flow.TxContinueOnXoff());
  EXPECT_EQ(flow.ControlDTR(), dtrDisable);
  EXPECT_EQ(flow.ControlRTS(), rtsDisable);
  EXPECT_EQ(flow.XonChar(), 17);
  EXPECT_EQ(flow.XoffChar(), 19);
  EXPECT_EQ(flow.FlowControl(), fcNone);

  const TComParity parity;
  EXPECT_EQ(parity.Bits(), prNone);
  EXPECT_FALSE(parity.Check() || parity.Replace());
  EXPECT_EQ(parity.ReplaceChar(), 0);

  const TComBuffer buffer;
  EXPECT_EQ(buffer.InputSize(), 1024);
  EXPECT_EQ(buffer.OutputSize(), 1024);
  EXPECT_EQ(buffer.ComPort(), nullptr);
}

struct ShortcutCase {
  TRTSFlowControl rts;
  bool ctsFlow, xonIn, xonOut;
  TFlowControl expected;
};

TEST(FlowControlShortcut, ReadsOnlyTheFourFlagsThatTakePart) {
  const ShortcutCase cases[] = {
      {rtsHandshake, true, false, false, fcHardware},
      {rtsDisable, false, true, true, fcSoftware},
      {rtsDisable, false, false, false, fcNone},
      {rtsEnable, false, false, false, fcCustom},  // DTR and RTS raised, as the console's port
      {rtsToggle, false, false, false, fcCustom},
      {rtsHandshake, false, false, false, fcCustom},
      {rtsDisable, true, false, false, fcCustom},
      {rtsDisable, false, true, false, fcCustom},  // only one direction of XON/XOFF
      {rtsHandshake, true, true, true, fcCustom},
  };
  for (const ShortcutCase& c : cases) {
    TComFlowControl flow;
    flow.SetControlRTS(c.rts);
    flow.SetOutCTSFlow(c.ctsFlow);
    flow.SetXonXoffIn(c.xonIn);
    flow.SetXonXoffOut(c.xonOut);
    // The flags outside the shortcut never change what it reads.
    flow.SetControlDTR(dtrHandshake);
    flow.SetOutDSRFlow(true);
    flow.SetDSRSensitivity(true);
    flow.SetTxContinueOnXoff(true);
    flow.SetXonChar('A');
    EXPECT_EQ(flow.FlowControl(), c.expected)
        << "rts " << int(c.rts) << " cts " << c.ctsFlow << " in " << c.xonIn << " out " << c.xonOut;
  }
}

TEST(FlowControlShortcut, SettingItReplacesTheFourFlagsAndNothingElse) {
  TComFlowControl flow;
  flow.SetControlDTR(dtrEnable);
  flow.SetControlRTS(rtsEnable);
  flow.SetXonXoffIn(true);
  flow.SetOutDSRFlow(true);

  flow.SetFlowControl(fcHardware);
  EXPECT_EQ(flow.ControlDTR(), dtrEnable);
  EXPECT_EQ(flow.ControlRTS(), rtsHandshake);
  EXPECT_TRUE(flow.OutCTSFlow());
  EXPECT_FALSE(flow.XonXoffIn());
  EXPECT_FALSE(flow.XonXoffOut());
  EXPECT_TRUE(flow.OutDSRFlow());
  EXPECT_EQ(flow.FlowControl(), fcHardware);

  flow.SetFlowControl(fcSoftware);
  EXPECT_EQ(flow.ControlRTS(), rtsDisable);
  EXPECT_FALSE(flow.OutCTSFlow());
  EXPECT_TRUE(flow.XonXoffIn() && flow.XonXoffOut());
  EXPECT_EQ(flow.FlowControl(), fcSoftware);

  flow.SetFlowControl(fcNone);
  EXPECT_FALSE(flow.XonXoffIn() || flow.XonXoffOut() || flow.OutCTSFlow());
  EXPECT_EQ(flow.FlowControl(), fcNone);
  EXPECT_EQ(flow.ControlDTR(), dtrEnable);
}

TEST(FlowControlShortcut, CustomChangesNoFlag) {
  TComFlowControl flow;
  flow.SetControlRTS(rtsToggle);
  flow.SetXonXoffOut(true);
  flow.SetFlowControl(fcCustom);
  EXPECT_EQ(flow.ControlRTS(), rtsToggle);
  EXPECT_TRUE(flow.XonXoffOut());
  EXPECT_FALSE(flow.XonXoffIn());
}

TEST(BufferSizes, PositiveOddSizesAreRoundedDown) {
  TComBuffer buffer;
  buffer.SetInputSize(4097);
  EXPECT_EQ(buffer.InputSize(), 4096);
  buffer.SetInputSize(1);
  EXPECT_EQ(buffer.InputSize(), 0);
  buffer.SetInputSize(-3);
  EXPECT_EQ(buffer.InputSize(), -3);
  buffer.SetOutputSize(0);
  EXPECT_EQ(buffer.OutputSize(), 0);
  buffer.SetOutputSize(2048);
  EXPECT_EQ(buffer.OutputSize(), 2048);
  buffer.SetOutputSize(1025);
  EXPECT_EQ(buffer.OutputSize(), 1024);
}

TEST(SettingsCopy, AssignCopiesEveryStoredValue) {
  TComTimeouts timeouts;
  timeouts.SetReadInterval(5);
  timeouts.SetReadTotalMultiplier(6);
  timeouts.SetReadTotalConstant(7);
  timeouts.SetWriteTotalMultiplier(8);
  timeouts.SetWriteTotalConstant(9);
  TComTimeouts timeoutsCopy;
  timeoutsCopy.Assign(timeouts);
  EXPECT_EQ(timeoutsCopy.ReadInterval(), 5);
  EXPECT_EQ(timeoutsCopy.ReadTotalMultiplier(), 6);
  EXPECT_EQ(timeoutsCopy.ReadTotalConstant(), 7);
  EXPECT_EQ(timeoutsCopy.WriteTotalMultiplier(), 8);
  EXPECT_EQ(timeoutsCopy.WriteTotalConstant(), 9);

  TComFlowControl flow;
  flow.SetOutCTSFlow(true);
  flow.SetOutDSRFlow(true);
  flow.SetControlDTR(dtrHandshake);
  flow.SetControlRTS(rtsToggle);
  flow.SetXonXoffOut(true);
  flow.SetXonXoffIn(true);
  flow.SetDSRSensitivity(true);
  flow.SetTxContinueOnXoff(true);
  flow.SetXonChar('x');
  flow.SetXoffChar('y');
  TComFlowControl flowCopy;
  flowCopy.Assign(flow);
  EXPECT_TRUE(flowCopy.OutCTSFlow() && flowCopy.OutDSRFlow() && flowCopy.XonXoffOut() &&
              flowCopy.XonXoffIn() && flowCopy.DSRSensitivity() && flowCopy.TxContinueOnXoff());
  EXPECT_EQ(flowCopy.ControlDTR(), dtrHandshake);
  EXPECT_EQ(flowCopy.ControlRTS(), rtsToggle);
  EXPECT_EQ(flowCopy.XonChar(), 'x');
  EXPECT_EQ(flowCopy.XoffChar(), 'y');

  TComParity parity;
  parity.SetBits(prMark);
  parity.SetCheck(true);
  parity.SetReplace(true);
  parity.SetReplaceChar('?');
  TComParity parityCopy;
  parityCopy.Assign(parity);
  EXPECT_EQ(parityCopy.Bits(), prMark);
  EXPECT_TRUE(parityCopy.Check() && parityCopy.Replace());
  EXPECT_EQ(parityCopy.ReplaceChar(), '?');

  TComBuffer buffer;
  buffer.SetInputSize(-3);
  buffer.SetOutputSize(64);
  TComBuffer bufferCopy;
  bufferCopy.Assign(buffer);
  EXPECT_EQ(bufferCopy.InputSize(), -3);  // copied as stored, not rounded again
  EXPECT_EQ(bufferCopy.OutputSize(), 64);
}

TEST(SettingsCopy, RefusesAnotherClassAndChangesNothing) {
  TComParity parity;
  parity.SetBits(prEven);
  TComTimeouts timeouts;
  try {
    timeouts.Assign(parity);
    FAIL() << "no conversion error";
  } catch (const EConvertError& error) {
    EXPECT_EQ(error.Message(), "Cannot assign a TComParity to a TComTimeouts");
  }
  EXPECT_EQ(timeouts.ReadInterval(), -1);
  EXPECT_THROW(parity.Assign(TComBuffer()), EConvertError);
  EXPECT_EQ(parity.Bits(), prEven);
}

}  // namespace
