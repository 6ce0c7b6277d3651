// Writing a port's settings to a settings store and reading them back: one
// table of keys, in the order every operation handles them, shared by the
// registry and the ini-file forms.
#include <cstdint>
#include <string>

#include "platform/runtime/IniFiles.h"
#include "platform/runtime/Registry.h"
#include "serial/CPort.h"

namespace {

using Port = TCustomComPort;

// A stored setting: its key, its group, and how its stored form is taken
// from the port and given back to it through the ordinary setter. A text
// setting has GetText/SetText, an integer setting GetInteger/SetInteger.
struct StoredSetting {
  const char* Key;
  TSettingGroup Group;
  std::string (*GetText)(const Port&) = nullptr;
  void (*SetText)(Port&, const std::string&) = nullptr;
  std::int32_t (*GetInteger)(const Port&) = nullptr;
  void (*SetInteger)(Port&, std::int32_t) = nullptr;
  // The custom rate: handled only while the baud rate is brCustom, and read
  // from an ini file with 9600 for a missing key instead of the current value.
  bool CustomRate = false;
};

constexpr std::int32_t kCustomRateIniDefault = 9600;

// The groups in the order sgMain, sgMisc, sgParity, sgBuffer, sgTimeouts,
// sgFlowControl: the individual flow-control flags come after the
// "FlowControl" shortcut, so when both groups are stored the flags decide.
constexpr StoredSetting kStoredSettings[] = {
    {.Key = "Port",
     .Group = sgMain,
     .GetText = [](const Port& p) { return p.Port(); },
     .SetText = [](Port& p, const std::string& t) { p.SetPort(t); }},
    {.Key = "BaudRate",
     .Group = sgMain,
     .GetText = [](const Port& p) { return BaudRateToText(p.BaudRate()); },
     .SetText = [](Port& p, const std::string& t) { p.SetBaudRate(TextToBaudRate(t)); }},
    {.Key = "CustomBaudRate",
     .Group = sgMain,
     .GetInteger = [](const Port& p) { return p.CustomBaudRate(); },
     .SetInteger = [](Port& p, std::int32_t v) { p.SetCustomBaudRate(v); },
     .CustomRate = true},
    {.Key = "StopBits",
     .Group = sgMain,
     .GetText = [](const Port& p) { return StopBitsToText(p.StopBits()); },
     .SetText = [](Port& p, const std::string& t) { p.SetStopBits(TextToStopBits(t)); }},
    {.Key = "DataBits",
     .Group = sgMain,
     .GetText = [](const Port& p) { return DataBitsToText(p.DataBits()); },
     .SetText = [](Port& p, const std::string& t) { p.SetDataBits(TextToDataBits(t)); }},
    {.Key = "Parity",
     .Group = sgMain,
     .GetText = [](const Port& p) { return ParityToText(p.Parity().Bits()); },
     .SetText = [](Port& p, const std::string& t) { p.Parity().SetBits(TextToParity(t)); }},
    {.Key = "FlowControl",
     .Group = sgMain,
     .GetText = [](const Port& p) { return FlowControlToText(p.FlowControl().FlowControl()); },
     .SetText = [](Port& p,
                   const std::string& t) { p.FlowControl().SetFlowControl(TextToFlowControl(t)); }},
    {.Key = "EventChar",
     .Group = sgMisc,
     .GetText = [](const Port& p) { return CharToText(p.EventChar()); },
     .SetText = [](Port& p, const std::string& t) { p.SetEventChar(TextToChar(t)); }},
    {.Key = "DiscardNull",
     .Group = sgMisc,
     .GetText = [](const Port& p) { return BoolToText(p.DiscardNull()); },
     .SetText = [](Port& p, const std::string& t) { p.SetDiscardNull(TextToBool(t)); }},
    {.Key = "Parity.Check",
     .Group = sgParity,
     .GetText = [](const Port& p) { return BoolToText(p.Parity().Check()); },
     .SetText = [](Port& p, const std::string& t) { p.Parity().SetCheck(TextToBool(t)); }},
    {.Key = "Parity.Replace",
     .Group = sgParity,
     .GetText = [](const Port& p) { return BoolToText(p.Parity().Replace()); },
     .SetText = [](Port& p, const std::string& t) { p.Parity().SetReplace(TextToBool(t)); }},
    {.Key = "Parity.ReplaceChar",
     .Group = sgParity,
     .GetText = [](const Port& p) { return CharToText(p.Parity().ReplaceChar()); },
     .SetText = [](Port& p, const std::string& t) { p.Parity().SetReplaceChar(TextToChar(t)); }},
    {.Key = "Buffer.OutputSize",
     .Group = sgBuffer,
     .GetInteger = [](const Port& p) { return p.Buffer().OutputSize(); },
     .SetInteger = [](Port& p, std::int32_t v) { p.Buffer().SetOutputSize(v); }},
    {.Key = "Buffer.InputSize",
     .Group = sgBuffer,
     .GetInteger = [](const Port& p) { return p.Buffer().InputSize(); },
     .SetInteger = [](Port& p, std::int32_t v) { p.Buffer().SetInputSize(v); }},
    {.Key = "Timeouts.ReadInterval",
     .Group = sgTimeouts,
     .GetInteger = [](const Port& p) { return p.Timeouts().ReadInterval(); },
     .SetInteger = [](Port& p, std::int32_t v) { p.Timeouts().SetReadInterval(v); }},
    {.Key = "Timeouts.ReadTotalConstant",
     .Group = sgTimeouts,
     .GetInteger = [](const Port& p) { return p.Timeouts().ReadTotalConstant(); },
     .SetInteger = [](Port& p, std::int32_t v) { p.Timeouts().SetReadTotalConstant(v); }},
    {.Key = "Timeouts.ReadTotalMultiplier",
     .Group = sgTimeouts,
     .GetInteger = [](const Port& p) { return p.Timeouts().ReadTotalMultiplier(); },
     .SetInteger = [](Port& p, std::int32_t v) { p.Timeouts().SetReadTotalMultiplier(v); }},
    {.Key = "Timeouts.WriteTotalConstant",
     .Group = sgTimeouts,
     .GetInteger = [](const Port& p) { return p.Timeouts().WriteTotalConstant(); },
     .SetInteger = [](Port& p, std::int32_t v) { p.Timeouts().SetWriteTotalConstant(v); }},
    {.Key = "Timeouts.WriteTotalMultiplier",
     .Group = sgTimeouts,
     .GetInteger = [](const Port& p) { return p.Timeouts().WriteTotalMultiplier(); },
     .SetInteger = [](Port& p, std::int32_t v) { p.Timeouts().SetWriteTotalMultiplier(v); }},
    {.Key = "FlowControl.ControlRTS",
     .Group = sgFlowControl,
     .GetText = [](const Port& p) { return RTSToText(p.FlowControl().ControlRTS()); },
     .SetText = [](Port& p, const std::string& t) { p.FlowControl().SetControlRTS(TextToRTS(t)); }},
    {.Key = "FlowControl.ControlDTR",
     .Group = sgFlowControl,
     .GetText = [](const Port& p) { return DTRToText(p.FlowControl().ControlDTR()); },
     .SetText = [](Port& p, const std::string& t) { p.FlowControl().SetControlDTR(TextToDTR(t)); }},
    {.Key = "FlowControl.DSRSensitivity",
     .Group = sgFlowControl,
     .GetText = [](const Port& p) { return BoolToText(p.FlowControl().DSRSensitivity()); },
     .SetText = [](Port& p,
                   const std::string& t) { p.FlowControl().SetDSRSensitivity(TextToBool(t)); }},
    {.Key = "FlowControl.OutCTSFlow",
     .Group = sgFlowControl,
     .GetText = [](const Port& p) { return BoolToText(p.FlowControl().OutCTSFlow()); },
     .SetText = [](Port& p,
                   const std::string& t) { p.FlowControl().SetOutCTSFlow(TextToBool(t)); }},
    {.Key = "FlowControl.OutDSRFlow",
     .Group = sgFlowControl,
     .GetText = [](const Port& p) { return BoolToText(p.FlowControl().OutDSRFlow()); },
     .SetText = [](Port& p,
                   const std::string& t) { p.FlowControl().SetOutDSRFlow(TextToBool(t)); }},
    {.Key = "FlowControl.TxContinueOnXoff",
     .Group = sgFlowControl,
     .GetText = [](const Port& p) { return BoolToText(p.FlowControl().TxContinueOnXoff()); },
     .SetText = [](Port& p,
                   const std::string& t) { p.FlowControl().SetTxContinueOnXoff(TextToBool(t)); }},
    {.Key = "FlowControl.XonXoffIn",
     .Group = sgFlowControl,
     .GetText = [](const Port& p) { return BoolToText(p.FlowControl().XonXoffIn()); },
     .SetText = [](Port& p, const std::string& t) { p.FlowControl().SetXonXoffIn(TextToBool(t)); }},
    {.Key = "FlowControl.XonXoffOut",
     .Group = sgFlowControl,
     .GetText = [](const Port& p) { return BoolToText(p.FlowControl().XonXoffOut()); },
     .SetText = [](Port& p,
                   const std::string& t) { p.FlowControl().SetXonXoffOut(TextToBool(t)); }},
    {.Key = "FlowControl.XoffChar",
     .Group = sgFlowControl,
     .GetText = [](const Port& p) { return CharToText(p.FlowControl().XoffChar()); },
     .SetText = [](Port& p, const std::string& t) { p.FlowControl().SetXoffChar(TextToChar(t)); }},
    {.Key = "FlowControl.XonChar",
     .Group = sgFlowControl,
     .GetText = [](const Port& p) { return CharToText(p.FlowControl().XonChar()); },
     .SetText = [](Port& p, const std::string& t) { p.FlowControl().SetXonChar(TextToChar(t)); }},
};

// The two kinds of store behind one set of calls. A read is given the value
// that a missing key stands for; the registry form does not use it.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual void WriteText(const std::string& key, const std::string& value) = 0;
  virtual void WriteInteger(const std::string& key, std::int32_t value) = 0;
  virtual std::string ReadText(const std::string& key, const std::string& missing) = 0;
  virtual std::int32_t ReadInteger(const std::string& key, std::int32_t missing) = 0;
};

// The values of the key the caller opened.
class RegistryStore final : public SettingsStore {
 public:
  explicit RegistryStore(TRegistry& registry) : FRegistry(registry) {}
  void WriteText(const std::string& key, const std::string& value) override {
    FRegistry.WriteString(key, value);
  }
  void WriteInteger(const std::string& key, std::int32_t value) override {
    FRegistry.WriteInteger(key, value);
  }
  std::string ReadText(const std::string& key, const std::string&) override {
    return FRegistry.ReadString(key);
  }
  std::int32_t ReadInteger(const std::string& key, std::int32_t) override {
    return FRegistry.ReadInteger(key);
  }

 private:
  TRegistry& FRegistry;
};

// One section of an ini file.
class IniSectionStore final : public SettingsStore {
 public:
  IniSectionStore(TCustomIniFile& iniFile, std::string section)
      : FIniFile(iniFile), FSection(std::move(section)) {}
  void WriteText(const std::string& key, const std::string& value) override {
    FIniFile.WriteString(FSection, key, value);
  }
  void WriteInteger(const std::string& key, std::int32_t value) override {
    FIniFile.WriteInteger(FSection, key, value);
  }
  std::string ReadText(const std::string& key, const std::string& missing) override {
    return FIniFile.ReadString(FSection, key, missing);
  }
  std::int32_t ReadInteger(const std::string& key, std::int32_t missing) override {
    return FIniFile.ReadInteger(FSection, key, missing);
  }

 private:
  TCustomIniFile& FIniFile;
  std::string FSection;
};

// Whether the setting is handled now: its group is stored and, for the
// custom rate, the port runs at a custom rate at this moment.
bool Handled(const StoredSetting& setting, const Port& port) {
  if (!port.SettingGroups().Contains(setting.Group)) return false;
  return !setting.CustomRate || port.BaudRate() == brCustom;
}

void WriteSettings(const Port& port, SettingsStore& store) {
  for (const StoredSetting& setting : kStoredSettings) {
    if (!Handled(setting, port)) continue;
    if (setting.GetText) {
      store.WriteText(setting.Key, setting.GetText(port));
    } else {
      store.WriteInteger(setting.Key, setting.GetInteger(port));
    }
  }
}

// Each key is read and set before the next one is read, so an open port is
// reconfigured key by key and the first failure leaves the rest unread.
void ReadSettings(Port& port, SettingsStore& store) {
  for (const StoredSetting& setting : kStoredSettings) {
    if (!Handled(setting, port)) continue;
    if (setting.GetText) {
      setting.SetText(port, store.ReadText(setting.Key, setting.GetText(port)));
    } else {
      const std::int32_t missing =
          setting.CustomRate ? kCustomRateIniDefault : setting.GetInteger(port);
      setting.SetInteger(port, store.ReadInteger(setting.Key, missing));
    }
  }
}

}  // namespace

void TCustomComPort::WriteSettingsToRegistry(TRegistry& registry) {
  RegistryStore store(registry);
  WriteSettings(*this, store);
}

void TCustomComPort::WriteSettingsToIniFile(TCustomIniFile& iniFile) {
  IniSectionStore store(iniFile, Name());
  WriteSettings(*this, store);
}

void TCustomComPort::ReadSettingsFromRegistry(TRegistry& registry) {
  RegistryStore store(registry);
  ReadSettings(*this, store);
}

void TCustomComPort::ReadSettingsFromIniFile(TCustomIniFile& iniFile) {
  IniSectionStore store(iniFile, Name());
  ReadSettings(*this, store);
}
