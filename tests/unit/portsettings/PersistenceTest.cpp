// Writing a port's settings to real ini and registry store files and
// reading them back, on closed ports and on an open simulated device.
#include <gtest/gtest.h>

#include "platform/runtime/IniFiles.h"
#include "platform/runtime/Registry.h"
#include "platform/serial/sim/SimPort.h"
#include "serial/CPort.h"
#include "tests/unit/runtime/TempDirectory.h"

namespace {

const TSettingGroups kAllGroups = TSettingGroups::All();

// Every stored setting of a port in its raw form, to compare two ports.
std::vector<std::int64_t> StoredValues(const TCustomComPort& p) {
  const TComFlowControl& f = p.FlowControl();
  const TComTimeouts& t = p.Timeouts();
  return {p.BaudRate(),
          p.CustomBaudRate(),
          p.StopBits(),
          p.DataBits(),
          p.Parity().Bits(),
          p.EventChar(),
          p.DiscardNull(),
          p.Parity().Check(),
          p.Parity().Replace(),
          p.Parity().ReplaceChar(),
          p.Buffer().OutputSize(),
          p.Buffer().InputSize(),
          t.ReadInterval(),
          t.ReadTotalConstant(),
          t.ReadTotalMultiplier(),
          t.WriteTotalConstant(),
          t.WriteTotalMultiplier(),
          f.ControlRTS(),
          f.ControlDTR(),
          f.DSRSensitivity(),
          f.OutCTSFlow(),
          f.OutDSRFlow(),
          f.TxContinueOnXoff(),
          f.XonXoffIn(),
          f.XonXoffOut(),
          f.XoffChar(),
          f.XonChar()};
}

// A port with every stored setting away from its initial value.
void ChangeEverySetting(TCustomComPort& p) {
  p.SetPort("ttyUSB3");
  p.SetBaudRate(brCustom);
  p.SetCustomBaudRate(250000);
  p.SetStopBits(sbTwoStopBits);
  p.SetDataBits(dbSeven);
  p.Parity().SetBits(prMark);
  p.SetEventChar('\n');
  p.SetDiscardNull(true);
  p.Parity().SetCheck(true);
  p.Parity().SetReplace(true);
  p.Parity().SetReplaceChar(static_cast<char>(0xFF));
  p.Buffer().SetOutputSize(8192);
  p.Buffer().SetInputSize(-4);
  p.Timeouts().SetReadInterval(0);
  p.Timeouts().SetReadTotalConstant(250);
  p.Timeouts().SetReadTotalMultiplier(3);
  p.Timeouts().SetWriteTotalConstant(-1);
  p.Timeouts().SetWriteTotalMultiplier(7);
  TComFlowControl& f = p.FlowControl();
  f.SetControlRTS(rtsToggle);
  f.SetControlDTR(dtrHandshake);
  f.SetDSRSensitivity(true);
  f.SetOutCTSFlow(true);
  f.SetOutDSRFlow(true);
  f.SetTxContinueOnXoff(true);
  f.SetXonXoffIn(true);
  f.SetXonXoffOut(true);
  f.SetXoffChar('#');
  f.SetXonChar(' ');
}

class IniStore : public TempDirectory {
 protected:
  void SetUp() override {
    TempDirectory::SetUp();
    ini = TIniFile(Path("port.ini"));
    port.SetName("Com1");
  }
  // The "key=value" lines of the file, in file order.
  std::vector<std::string> FileLines() const {
    std::vector<std::string> lines;
    std::istringstream in(Contents(Path("port.ini")));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  TComPort port{nullptr};
  TIniFile ini{""};
};

using Lines = std::vector<std::string>;

}  // namespace

TEST_F(IniStore, ConsolesPortWritesItsMainSettingsToItsSection) {
  port.FlowControl().SetControlDTR(dtrEnable);
  port.FlowControl().SetControlRTS(rtsEnable);
  port.WriteSettingsToIniFile(ini);
  EXPECT_EQ(FileLines(), (Lines{"[Com1]", "Port=COM1", "BaudRate=9600", "StopBits=1", "DataBits=8",
                                "Parity=None", "FlowControl=Custom"}));
}

TEST_F(IniStore, CustomRateIsWrittenOnlyWhileTheBaudRateIsCustom) {
  port.SetCustomBaudRate(250000);
  port.WriteSettingsToIniFile(ini);
  EXPECT_EQ(ini.ReadString("Com1", "CustomBaudRate", "absent"), "absent");
  std::filesystem::remove(Path("port.ini"));

  port.SetBaudRate(brCustom);
  port.WriteSettingsToIniFile(ini);
  EXPECT_EQ(FileLines(), (Lines{"[Com1]", "Port=COM1", "BaudRate=Custom", "CustomBaudRate=250000",
                                "StopBits=1", "DataBits=8", "Parity=None", "FlowControl=None"}));
}

TEST_F(IniStore, AllGroupsAreWrittenInKeyOrderInTheirStoredForms) {
  port.SetSettingGroups(kAllGroups);
  port.WriteSettingsToIniFile(ini);
  EXPECT_EQ(FileLines(), (Lines{"[Com1]",
                                "Port=COM1",
                                "BaudRate=9600",
                                "StopBits=1",
                                "DataBits=8",
                                "Parity=None",
                                "FlowControl=None",
                                "EventChar=#0",
                                "DiscardNull=No",
                                "Parity.Check=No",
                                "Parity.Replace=No",
                                "Parity.ReplaceChar=#0",
                                "Buffer.OutputSize=1024",
                                "Buffer.InputSize=1024",
                                "Timeouts.ReadInterval=-1",
                                "Timeouts.ReadTotalConstant=0",
                                "Timeouts.ReadTotalMultiplier=0",
                                "Timeouts.WriteTotalConstant=1000",
                                "Timeouts.WriteTotalMultiplier=100",
                                "FlowControl.ControlRTS=Disable",
                                "FlowControl.ControlDTR=Disable",
                                "FlowControl.DSRSensitivity=No",
                                "FlowControl.OutCTSFlow=No",
                                "FlowControl.OutDSRFlow=No",
                                "FlowControl.TxContinueOnXoff=No",
                                "FlowControl.XonXoffIn=No",
                                "FlowControl.XonXoffOut=No",
                                "FlowControl.XoffChar=#19",
                                "FlowControl.XonChar=#17"}));
}

TEST_F(IniStore, OnlyTheChosenGroupsAreWrittenAndRead) {
  port.SetSettingGroups({sgBuffer});
  port.Buffer().SetInputSize(4096);
  port.WriteSettingsToIniFile(ini);
  EXPECT_EQ(FileLines(), (Lines{"[Com1]", "Buffer.OutputSize=1024", "Buffer.InputSize=4096"}));

  ini.WriteString("Com1", "BaudRate", "115200");
  ini.WriteInteger("Com1", "Buffer.OutputSize", 2048);
  TComPort fresh(nullptr);
  fresh.SetName("Com1");
  fresh.SetSettingGroups({sgBuffer});
  fresh.ReadSettingsFromIniFile(ini);
  EXPECT_EQ(fresh.BaudRate(), br9600);
  EXPECT_EQ(fresh.Buffer().OutputSize(), 2048);
  EXPECT_EQ(fresh.Buffer().InputSize(), 4096);
}

TEST_F(IniStore, AllGroupsReadBackIntoAFreshPortGiveTheSameSettings) {
  port.SetSettingGroups(kAllGroups);
  ChangeEverySetting(port);
  port.WriteSettingsToIniFile(ini);

  TComPort fresh(nullptr);
  fresh.SetName("Com1");
  fresh.SetSettingGroups(kAllGroups);
  ASSERT_NE(StoredValues(fresh), StoredValues(port));
  TIniFile again(Path("port.ini"));
  fresh.ReadSettingsFromIniFile(again);
  EXPECT_EQ(fresh.Port(), "ttyUSB3");
  EXPECT_EQ(StoredValues(fresh), StoredValues(port));
}

TEST_F(IniStore, SectionThatLacksEveryKeyChangesNothingButTheCustomRate) {
  ini.WriteString("Other", "BaudRate", "110");
  port.SetSettingGroups(kAllGroups);
  ChangeEverySetting(port);
  const auto before = StoredValues(port);

  port.ReadSettingsFromIniFile(ini);
  auto expected = before;
  expected[1] = 9600;  // the custom rate of a missing key
  EXPECT_EQ(StoredValues(port), expected);
  EXPECT_EQ(port.Port(), "ttyUSB3");

  port.SetBaudRate(br57600);
  port.SetCustomBaudRate(250000);
  port.ReadSettingsFromIniFile(ini);
  EXPECT_EQ(port.CustomBaudRate(), 250000);
}

TEST_F(IniStore, CustomRateIsReadOnlyAfterACustomBaudRate) {
  ini.WriteString("Com1", "BaudRate", "Custom");
  port.SetCustomBaudRate(250000);
  port.ReadSettingsFromIniFile(ini);
  EXPECT_EQ(port.BaudRate(), brCustom);
  EXPECT_EQ(port.CustomBaudRate(), 9600);

  ini.WriteString("Com1", "BaudRate", "57600");
  ini.WriteInteger("Com1", "CustomBaudRate", 31250);
  port.SetCustomBaudRate(250000);
  port.ReadSettingsFromIniFile(ini);
  EXPECT_EQ(port.BaudRate(), br57600);
  EXPECT_EQ(port.CustomBaudRate(), 250000);
}

TEST_F(IniStore, StoredTextsConvertWithTheirFallbacks) {
  port.SetSettingGroups(kAllGroups);
  port.SetBaudRate(br115200);
  port.SetDiscardNull(true);
  port.Parity().SetCheck(true);
  port.SetEventChar('x');
  for (const auto& [key, value] : {std::pair{"BaudRate", "fast"},
                                   {"Parity", "even"},
                                   {"DiscardNull", "true"},
                                   {"Parity.Check", "yes"},
                                   {"Parity.Replace", "YES"},
                                   {"EventChar", "#1x"},
                                   {"Parity.ReplaceChar", "#300"},
                                   {"Buffer.InputSize", "4097"},
                                   {"Buffer.OutputSize", "big"},
                                   {"FlowControl.XonChar", "AB"}}) {
    ini.WriteString("Com1", key, value);
  }
  port.ReadSettingsFromIniFile(ini);
  EXPECT_EQ(port.BaudRate(), br9600);
  EXPECT_EQ(port.Parity().Bits(), prEven);
  EXPECT_FALSE(port.DiscardNull());
  EXPECT_TRUE(port.Parity().Check());
  EXPECT_TRUE(port.Parity().Replace());
  EXPECT_EQ(port.EventChar(), 0);
  EXPECT_EQ(port.Parity().ReplaceChar(), 44);
  EXPECT_EQ(port.Buffer().InputSize(), 4096);
  EXPECT_EQ(port.Buffer().OutputSize(), 1024);  // not a number: the current value
  EXPECT_EQ(port.FlowControl().XonChar(), 'A');
}

TEST_F(IniStore, FlowControlFlagsDecideOverTheShortcut) {
  port.SetSettingGroups({sgMain, sgFlowControl});
  ini.WriteString("Com1", "FlowControl", "Hardware");
  ini.WriteString("Com1", "FlowControl.ControlRTS", "Enable");
  port.ReadSettingsFromIniFile(ini);
  EXPECT_EQ(port.FlowControl().ControlRTS(), rtsEnable);
  EXPECT_TRUE(port.FlowControl().OutCTSFlow());
  EXPECT_EQ(port.FlowControl().FlowControl(), fcCustom);

  ini.WriteString("Com1", "FlowControl", "Software");
  port.SetSettingGroups({sgMain});
  port.ReadSettingsFromIniFile(ini);
  EXPECT_EQ(port.FlowControl().FlowControl(), fcSoftware);
}

// The codes written as themselves include the ini file's own syntax: '=',
// ';', '#', '[', '"'. (The others are written as "#n".)
TEST_F(IniStore, EveryCharacterWrittenAsItselfSurvivesTheFile) {
  port.SetSettingGroups({sgMisc});
  TComPort fresh(nullptr);
  fresh.SetName("Com1");
  fresh.SetSettingGroups({sgMisc});
  for (int code = 33; code <= 127; ++code) {
    port.SetEventChar(static_cast<char>(code));
    port.WriteSettingsToIniFile(ini);
    fresh.SetEventChar(static_cast<char>(code + 1));
    fresh.ReadSettingsFromIniFile(ini);
    EXPECT_EQ(fresh.EventChar(), static_cast<char>(code)) << code;
  }
}

TEST_F(IniStore, FileWrittenByAnotherProgramWithCrLfIsRead) {
  Put(Path("port.ini"),
      "; written elsewhere\r\n"
      "[Main]\r\nPort=COM9\r\n\r\n"
      "[com1]\r\n"
      "Port = ttyACM0\r\n"
      "BaudRate=19200\r\n"
      "StopBits=2\r\n"
      "DataBits=7\r\n"
      "Parity=Odd\r\n"
      "FlowControl=Hardware\r\n"
      "EventChar=#13\r\n"
      "Timeouts.ReadInterval=50\r\n");
  port.SetSettingGroups({sgMain, sgMisc, sgTimeouts});
  port.ReadSettingsFromIniFile(ini);
  EXPECT_EQ(port.Port(), "ttyACM0");
  EXPECT_EQ(port.BaudRate(), br19200);
  EXPECT_EQ(port.StopBits(), sbTwoStopBits);
  EXPECT_EQ(port.DataBits(), dbSeven);
  EXPECT_EQ(port.Parity().Bits(), prOdd);
  EXPECT_EQ(port.FlowControl().FlowControl(), fcHardware);
  EXPECT_EQ(port.EventChar(), '\r');
  EXPECT_EQ(port.Timeouts().ReadInterval(), 50);
}

TEST_F(IniStore, StoreThatRefusesAWriteEndsWritingAtThatKey) {
  port.SetName("Com]1");  // no ini section can hold this name
  EXPECT_THROW(port.WriteSettingsToIniFile(ini), EIniFileException);
  EXPECT_FALSE(std::filesystem::exists(Path("port.ini")));
}

namespace {

class RegistryStoreFile : public TempDirectory {
 protected:
  void SetUp() override {
    TempDirectory::SetUp();
    TRegistry::SetStoreFile(Path("registry"));
    ASSERT_TRUE(registry.OpenKey("Software\\Tests\\Com1", true));
  }
  void TearDown() override {
    TRegistry::SetStoreFile("");
    TempDirectory::TearDown();
  }
  TRegistry registry;
};

}  // namespace

TEST_F(RegistryStoreFile, AllGroupsRoundTripThroughTheOpenKey) {
  TComPort port(nullptr);
  port.SetSettingGroups(kAllGroups);
  ChangeEverySetting(port);
  port.WriteSettingsToRegistry(registry);
  EXPECT_EQ(registry.ReadString("FlowControl.XonChar"), "#32");
  EXPECT_EQ(registry.ReadInteger("Buffer.InputSize"), -4);
  EXPECT_EQ(registry.ReadInteger("CustomBaudRate"), 250000);

  TRegistry other;
  ASSERT_TRUE(other.OpenKey("Software\\Tests\\Com1", false));
  TComPort fresh(nullptr);
  fresh.SetSettingGroups(kAllGroups);
  fresh.ReadSettingsFromRegistry(other);
  EXPECT_EQ(fresh.Port(), "ttyUSB3");
  EXPECT_EQ(StoredValues(fresh), StoredValues(port));
}

TEST_F(RegistryStoreFile, MissingIntegerEndsReadingWithEarlierKeysApplied) {
  registry.WriteString("Port", "ttyS4");
  registry.WriteString("BaudRate", "Custom");  // no "CustomBaudRate" value follows
  registry.WriteString("StopBits", "2");
  TComPort port(nullptr);
  EXPECT_THROW(port.ReadSettingsFromRegistry(registry), ERegistryException);
  EXPECT_EQ(port.Port(), "ttyS4");
  EXPECT_EQ(port.BaudRate(), brCustom);
  EXPECT_EQ(port.StopBits(), sbOneStopBit);
}

namespace {

// A port named Com1 open on the simulated device SIM1, and its ini file.
class IniOnSimPort : public TempDirectory {
 protected:
  void SetUp() override {
    TempDirectory::SetUp();
    ini = TIniFile(Path("port.ini"));
    port.SetName("Com1");
    port.SetPort("SIM1");
    port.SetEvents(TComEvents());
    port.Open();
    ASSERT_TRUE(port.Connected());
    sim.ClearCalls();
  }
  comm::sim::SimPort sim{"SIM1"};
  TComPort port{nullptr};
  TIniFile ini{""};
};

}  // namespace

TEST_F(IniOnSimPort, EmptySectionStillAppliesTheFlowControlShortcut) {
  port.SetSettingGroups(kAllGroups);
  port.ReadSettingsFromIniFile(ini);
  EXPECT_EQ(sim.Calls(), std::vector<std::string>{"SetCommState"});
}

TEST_F(IniOnSimPort, EachChangedKeyIsAppliedAsItIsRead) {
  ini.WriteString("Com1", "BaudRate", "38400");
  ini.WriteString("Com1", "Parity", "Even");
  ini.WriteString("Com1", "FlowControl", "Software");
  ini.WriteInteger("Com1", "Buffer.InputSize", 4096);
  ini.WriteInteger("Com1", "Timeouts.ReadTotalConstant", 200);
  port.SetSettingGroups(kAllGroups);
  port.ReadSettingsFromIniFile(ini);
  EXPECT_EQ(sim.Calls(), (std::vector<std::string>{"SetCommState", "SetCommState", "SetCommState",
                                                   "SetupComm(4096,1024)", "SetCommTimeouts"}));
  EXPECT_EQ(sim.Dcb().BaudRate, 38400u);
  EXPECT_EQ(sim.Dcb().Parity, 2);
  EXPECT_TRUE(sim.Dcb().fInX);
  EXPECT_EQ(sim.Timeouts().ReadTotalTimeoutConstant, 200u);
}
