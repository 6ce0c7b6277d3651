// The port component on the simulated device: opening the device, the
// control block, time-outs and buffer sizes it applies, and the setters'
// compare-store-apply rule.
#include "tests/unit/serial/SimPortFixture.h"

namespace {

using comm::sim::SimCall;

std::vector<std::string> DebugLinesDuring(const std::function<void()>& call) {
  std::vector<std::string> lines;
  auto previous = comm::SetDebugOutputSink([&](const std::string& line) { lines.push_back(line); });
  try {
    call();
  } catch (...) {
    comm::SetDebugOutputSink(previous);
    throw;
  }
  comm::SetDebugOutputSink(previous);
  return lines;
}

TEST(PortCreation, StartsClosedWithTheInitialSettings) {
  TComPort port(nullptr);
  EXPECT_FALSE(port.Connected());
  EXPECT_FALSE(port.DeviceHandle().Valid());
  EXPECT_EQ(port.BaudRate(), br9600);
  EXPECT_EQ(port.CustomBaudRate(), 9600);
  EXPECT_EQ(port.Port(), "COM1");
  EXPECT_EQ(port.StopBits(), sbOneStopBit);
  EXPECT_EQ(port.DataBits(), dbEight);
  EXPECT_FALSE(port.DiscardNull());
  EXPECT_EQ(port.EventChar(), 0);
  EXPECT_EQ(port.Events().ToBits(), 1023);
  EXPECT_EQ(port.SyncMethod(), smThreadSync);
  EXPECT_EQ(port.SettingGroups(), TSettingGroups{sgMain});
  EXPECT_EQ(port.Parity().ComPort(), &port);
  EXPECT_EQ(port.FlowControl().ComPort(), &port);
  EXPECT_EQ(port.Timeouts().ComPort(), &port);
  EXPECT_EQ(port.Buffer().ComPort(), &port);
  EXPECT_TRUE(port.LinkList().empty());
}

TEST(PortCreation, ChangesOnAClosedPortAreOnlyStored) {
  comm::sim::SimPort sim("SIM1");
  TComPort port(nullptr);
  port.SetPort("SIM1");
  port.SetBaudRate(br115200);
  port.Parity().SetBits(prOdd);
  port.Timeouts().SetReadInterval(5);
  port.Buffer().SetInputSize(2048);
  port.SetSyncMethod(smNone);
  EXPECT_EQ(port.BaudRate(), br115200);
  EXPECT_EQ(port.SyncMethod(), smNone);
  EXPECT_TRUE(sim.Calls().empty());
}

// Opening ------------------------------------------------------------------

TEST_F(SimPortTest, OpenAppliesBufferSizesThenControlBlockThenTimeouts) {
  port.Open();
  EXPECT_TRUE(sim.IsOpen());
  const std::vector<std::string> calls = sim.Calls();
  ASSERT_GE(calls.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + 4),
            (std::vector<std::string>{"CreateFile", "SetupComm(1024,1024)", "SetCommState",
                                      "SetCommTimeouts"}));
}

TEST(OpenDevice, OpensTheDeviceNamedByPort) {
  comm::sim::SimPort sim("COM10");
  TComPort port(nullptr);
  port.SetEvents(TComEvents());
  port.SetPort("COM10");
  port.Open();
  EXPECT_TRUE(sim.IsOpen());
  EXPECT_TRUE(port.DeviceHandle().Valid());
}

TEST(OpenDevice, AMissingDeviceWritesTheDebuggerLineAndRaisesCode1) {
  TComPort port(nullptr);
  port.SetPort("NOSUCHPORT");
  bool beforeOpen = false, afterOpen = false;
  port.SetOnBeforeOpen([&](TObject*) { beforeOpen = true; });
  port.SetOnAfterOpen([&](TObject*) { afterOpen = true; });
  const auto lines = DebugLinesDuring([&] {
    ExpectSystemError([&] { port.Open(); }, 1, comm::kErrNoDevice,
                      "COM Port Error: Unable to open com port on NOSUCHPORT");
  });
  EXPECT_EQ(lines, (std::vector<std::string>{"CreateFile \\\\.\\NOSUCHPORT"}));
  EXPECT_FALSE(port.Connected());
  EXPECT_FALSE(port.DeviceHandle().Valid());
  EXPECT_TRUE(beforeOpen);
  EXPECT_FALSE(afterOpen);
}

TEST_F(SimPortTest, AnOpenRefusedByTheDeviceCarriesItsError) {
  sim.FailNext(SimCall::CreateFile, comm::kErrDeviceBusy);
  ExpectSystemError([&] { port.Open(); }, 1, comm::kErrDeviceBusy,
                    "COM Port Error: Unable to open com port on SIM1");
  EXPECT_FALSE(port.Connected());
}

TEST_F(SimPortTest, ASettingRefusedWhileOpeningClosesTheDeviceWithoutCloseNotices) {
  struct Case {
    SimCall call;
    int code;
    const char* text;
  };
  const Case cases[] = {{SimCall::SetupComm, 9, "SetupComm function failed"},
                        {SimCall::SetCommState, 7, "SetCommState function failed"},
                        {SimCall::SetCommTimeouts, 8, "SetCommTimeouts failed"}};
  int closeNotices = 0;
  port.SetOnBeforeClose([&](TObject*) { ++closeNotices; });
  port.SetOnAfterClose([&](TObject*) { ++closeNotices; });
  TComLink link;
  link.OnConnChange = [&](TObject*, bool) { ++closeNotices; };
  port.RegisterLink(&link);
  for (const Case& c : cases) {
    sim.FailNext(c.call, comm::kErrDeviceGone);
    ExpectSystemError([&] { port.Open(); }, c.code, comm::kErrDeviceGone,
                      std::string("COM Port Error: ") + c.text + " on SIM1");
    EXPECT_FALSE(port.Connected());
    EXPECT_FALSE(sim.IsOpen());
  }
  EXPECT_EQ(closeNotices, 0);
  port.UnregisterLink(&link);
}

TEST_F(SimPortTest, CloseReleasesTheDevice) {
  OpenPort();
  port.Close();
  EXPECT_FALSE(port.Connected());
  EXPECT_FALSE(sim.IsOpen());
  EXPECT_EQ(sim.Calls(), (std::vector<std::string>{"PurgeComm(0x0003)", "CloseHandle"}));
}

// The control block, time-outs and buffer sizes ----------------------------

comm::DCB DefaultBlock() {
  comm::DCB dcb;
  dcb.DCBlength = 28;
  dcb.BaudRate = 9600;
  dcb.fBinary = true;
  dcb.XonLim = 256;
  dcb.XoffLim = 256;
  dcb.ByteSize = 8;
  dcb.XonChar = 17;
  dcb.XoffChar = 19;
  return dcb;
}

TEST_F(SimPortTest, InitialSettingsGiveTheDefaultControlBlock) {
  port.Open();
  EXPECT_EQ(sim.Dcb(), DefaultBlock());
}

TEST_F(SimPortTest, TheConsolesPortRaisesDtrAndRts) {
  port.FlowControl().SetControlDTR(dtrEnable);
  port.FlowControl().SetControlRTS(rtsEnable);
  port.Open();
  comm::DCB expected = DefaultBlock();
  expected.fDtrControl = 1;
  expected.fRtsControl = 1;
  EXPECT_EQ(sim.Dcb(), expected);
  EXPECT_TRUE(sim.DTR());
  EXPECT_TRUE(sim.RTS());
  EXPECT_EQ(port.FlowControl().FlowControl(), fcCustom);
}

TEST_F(SimPortTest, EverySettingReachesItsFieldOfTheBlock) {
  port.SetBaudRate(brCustom);
  port.SetCustomBaudRate(31250);
  port.SetDataBits(dbSeven);
  port.SetStopBits(sbTwoStopBits);
  port.SetDiscardNull(true);
  port.SetEventChar('\r');
  port.Parity().SetBits(prEven);
  port.Parity().SetCheck(true);
  port.Parity().SetReplace(true);
  port.Parity().SetReplaceChar('?');
  port.FlowControl().SetFlowControl(fcHardware);
  port.FlowControl().SetOutDSRFlow(true);
  port.FlowControl().SetControlDTR(dtrHandshake);
  port.FlowControl().SetDSRSensitivity(true);
  port.FlowControl().SetTxContinueOnXoff(true);
  port.FlowControl().SetXonChar('a');
  port.FlowControl().SetXoffChar('b');
  port.Buffer().SetInputSize(1022);
  port.Open();

  comm::DCB expected = DefaultBlock();
  expected.BaudRate = 31250;
  expected.ByteSize = 7;
  expected.StopBits = 2;
  expected.fNull = true;
  expected.EvtChar = '\r';
  expected.Parity = 2;
  expected.fParity = true;
  expected.fErrorChar = true;
  expected.ErrorChar = '?';
  expected.fOutxCtsFlow = true;
  expected.fRtsControl = 2;
  expected.fOutxDsrFlow = true;
  expected.fDtrControl = 2;
  expected.fDsrSensitivity = true;
  expected.fTXContinueOnXoff = true;
  expected.XonChar = 'a';
  expected.XoffChar = 'b';
  expected.XonLim = 255;
  expected.XoffLim = 255;
  EXPECT_EQ(sim.Dcb(), expected);
}

TEST_F(SimPortTest, ReplacementNeedsParityCheckAndSoftwareFlowSetsBothDirections) {
  port.Parity().SetReplace(true);
  port.Parity().SetReplaceChar('?');
  port.FlowControl().SetFlowControl(fcSoftware);
  port.SetBaudRate(br256000);
  port.Open();
  const comm::DCB dcb = sim.Dcb();
  EXPECT_FALSE(dcb.fParity);
  EXPECT_FALSE(dcb.fErrorChar);
  EXPECT_EQ(dcb.ErrorChar, 0);
  EXPECT_TRUE(dcb.fOutX && dcb.fInX);
  EXPECT_EQ(dcb.fRtsControl, 0);
  EXPECT_EQ(dcb.BaudRate, 256000u);
}

TEST_F(SimPortTest, TimeoutsAndBufferSizesArePassedAsStored) {
  port.Timeouts().SetWriteTotalConstant(-2);
  port.Buffer().SetInputSize(4096);
  port.Buffer().SetOutputSize(512);
  port.Open();
  const comm::COMMTIMEOUTS timeouts = sim.Timeouts();
  EXPECT_EQ(timeouts.ReadIntervalTimeout, 0xFFFFFFFFu);  // -1 as its 32-bit pattern
  EXPECT_EQ(timeouts.ReadTotalTimeoutMultiplier, 0u);
  EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 0u);
  EXPECT_EQ(timeouts.WriteTotalTimeoutMultiplier, 100u);
  EXPECT_EQ(timeouts.WriteTotalTimeoutConstant, 0xFFFFFFFEu);
  EXPECT_EQ(sim.InputSize(), 4096u);
  EXPECT_EQ(sim.OutputSize(), 512u);
}

// Setters on an open port ----------------------------------------------------

TEST_F(SimPortTest, ASetterAppliesOnlyAChangedValueAndOnlyItsGroup) {
  OpenPort();
  port.SetBaudRate(br9600);
  port.Parity().SetBits(prNone);
  port.FlowControl().SetXonChar(17);
  port.Timeouts().SetReadInterval(-1);
  port.Buffer().SetInputSize(1024);
  port.SetEvents(TComEvents{evRxChar});
  port.SetOnRxChar([](TObject*, std::int32_t) {});
  EXPECT_TRUE(sim.Calls().empty());

  port.SetBaudRate(br19200);
  port.SetDataBits(dbSeven);
  port.Parity().SetCheck(true);
  port.FlowControl().SetControlDTR(dtrEnable);
  EXPECT_EQ(sim.Calls(), std::vector<std::string>(4, "SetCommState"));
  EXPECT_EQ(sim.Dcb().BaudRate, 19200u);
  EXPECT_EQ(sim.Dcb().ByteSize, 7);
  EXPECT_TRUE(sim.DTR());

  sim.ClearCalls();
  port.Timeouts().SetReadTotalConstant(50);
  EXPECT_EQ(sim.Calls(), std::vector<std::string>{"SetCommTimeouts"});
  EXPECT_EQ(sim.Timeouts().ReadTotalTimeoutConstant, 50u);

  sim.ClearCalls();
  port.Buffer().SetOutputSize(2048);
  EXPECT_EQ(sim.Calls(), std::vector<std::string>{"SetupComm(1024,2048)"});
}

TEST_F(SimPortTest, RoundingAnOddBufferSizeStillAppliesTheSizes) {
  OpenPort();
  port.Buffer().SetInputSize(1025);
  EXPECT_EQ(port.Buffer().InputSize(), 1024);
  EXPECT_EQ(sim.Calls(), std::vector<std::string>{"SetupComm(1024,1024)"});
}

TEST_F(SimPortTest, ObjectSettersAndTheShortcutApplyEvenWhenNothingChanged) {
  OpenPort();
  port.SetParity(TComParity());
  port.SetFlowControl(TComFlowControl());
  port.FlowControl().SetFlowControl(fcNone);
  port.FlowControl().SetFlowControl(fcCustom);
  EXPECT_EQ(sim.Calls(), std::vector<std::string>(4, "SetCommState"));

  sim.ClearCalls();
  port.SetTimeouts(TComTimeouts());
  port.SetBuffer(TComBuffer());
  EXPECT_EQ(sim.Calls(), (std::vector<std::string>{"SetCommTimeouts", "SetupComm(1024,1024)"}));
}

TEST_F(SimPortTest, ObjectSettersCopyTheValuesButKeepThePortsOwnObject) {
  OpenPort();
  TComParity parity;
  parity.SetBits(prOdd);
  TComParity& own = port.Parity();
  port.SetParity(parity);
  EXPECT_EQ(&port.Parity(), &own);
  EXPECT_EQ(own.Bits(), prOdd);
  EXPECT_EQ(own.ComPort(), &port);
  EXPECT_EQ(parity.ComPort(), nullptr);
  EXPECT_EQ(sim.Dcb().Parity, 1);
}

TEST_F(SimPortTest, CopyingIntoThePortsObjectAppliesNothing) {
  OpenPort();
  TComTimeouts timeouts;
  timeouts.SetReadInterval(10);
  timeouts.SetWriteTotalConstant(20);
  port.Timeouts().Assign(timeouts);
  EXPECT_EQ(port.Timeouts().ReadInterval(), 10);
  EXPECT_EQ(port.Timeouts().WriteTotalConstant(), 20);
  EXPECT_EQ(port.Timeouts().ComPort(), &port);
  EXPECT_TRUE(sim.Calls().empty());
  EXPECT_EQ(sim.Timeouts().ReadIntervalTimeout, 0xFFFFFFFFu);
}

TEST_F(SimPortTest, ARefusedSettingStaysStoredAndIsSentAgainNextTime) {
  OpenPort();
  // 1.5 stop bits need 5 data bits: the device refuses the block.
  ExpectSystemError([&] { port.SetStopBits(sbOne5StopBits); }, 7, comm::kErrInvalidArgument,
                    "COM Port Error: SetCommState function failed on SIM1");
  EXPECT_EQ(port.StopBits(), sbOne5StopBits);
  EXPECT_EQ(sim.Dcb().StopBits, 0);
  EXPECT_TRUE(port.Connected());
  port.SetDataBits(dbFive);
  EXPECT_EQ(sim.Dcb().StopBits, 1);
  EXPECT_EQ(sim.Dcb().ByteSize, 5);

  sim.FailNext(SimCall::SetCommTimeouts, comm::kErrDeviceGone);
  ExpectSystemError([&] { port.Timeouts().SetReadTotalConstant(7); }, 8, comm::kErrDeviceGone,
                    "COM Port Error: SetCommTimeouts failed on SIM1");
  EXPECT_EQ(port.Timeouts().ReadTotalConstant(), 7);

  sim.FailNext(SimCall::SetupComm, ENOMEM);
  ExpectSystemError([&] { port.Buffer().SetInputSize(8192); }, 9, ENOMEM,
                    "COM Port Error: SetupComm function failed on SIM1");
  EXPECT_EQ(port.Buffer().InputSize(), 8192);
  EXPECT_EQ(sim.InputSize(), 1024u);
}

TEST_F(SimPortTest, SyncMethodCannotChangeWhileOpen) {
  OpenPort();
  port.SetSyncMethod(smThreadSync);  // the same value: accepted silently
  ExpectPortError([&] { port.SetSyncMethod(smNone); }, 14,
                  "SIM1 Error: Cannot set property while connected");
  EXPECT_EQ(port.SyncMethod(), smThreadSync);
  port.Close();
  port.SetSyncMethod(smNone);
  EXPECT_EQ(port.SyncMethod(), smNone);
}

TEST_F(SimPortTest, NothingIsAppliedWhileLoading) {
  OpenPort();
  port.BeginLoading();
  port.SetBaudRate(br4800);
  port.Timeouts().SetReadInterval(3);
  port.Buffer().SetInputSize(64);
  port.SetSyncMethod(smWindowSync);
  EXPECT_TRUE(sim.Calls().empty());
  EXPECT_EQ(port.SyncMethod(), smWindowSync);
}

}  // namespace
