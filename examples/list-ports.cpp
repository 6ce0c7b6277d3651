// list-ports: the machine's serial ports (or the ones named), each with the
// settings a port component would open it with, as text. With --ini the
// settings are read from that ini file's [ComPort] section first, as a
// program restores them.
//   list-ports [--ini FILE] [PORT...]
#include <lineport/platform/runtime/IniFiles.h>
#include <lineport/serial/CPort.h>

#include <iostream>
#include <memory>
#include <string>

int main(int argc, char** argv) {
  std::string iniName;
  TStringList ports;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--ini" && i + 1 < argc) {
      iniName = argv[++i];
    } else if (!arg.empty() && arg[0] == '-') {
      std::cerr << "usage: list-ports [--ini FILE] [PORT...]\n";
      return 2;
    } else {
      ports.Add(arg);
    }
  }

  //! [list]
  try {
    if (ports.Count() == 0) EnumComPorts(ports);
  } catch (const EComPort& error) {
    std::cerr << "list-ports: " << error.what() << '\n';
    return 1;
  }
  //! [list]

  //! [settings]
  TComPort port(nullptr);
  port.SetName("ComPort");  // the ini section holding its settings
  port.SetSettingGroups({sgMain, sgFlowControl, sgParity});
  if (!iniName.empty()) {
    TIniFile ini(iniName);
    try {
      port.ReadSettingsFromIniFile(ini);
    } catch (const Exception& error) {
      std::cerr << "list-ports: " << iniName << ": " << error.what() << '\n';
      return 1;
    }
  }
  //! [settings]

  //! [text]
  for (int i = 0; i < ports.Count(); ++i) {
    port.SetPort(ports[i]);  // a closed port only stores it
    std::cout << port.Port() << ": " << BaudRateToText(port.BaudRate()) << " bit/s, "
              << DataBitsToText(port.DataBits()) << " data bits, parity "
              << ParityToText(port.Parity().Bits()) << ", " << StopBitsToText(port.StopBits())
              << " stop bits, flow control " << FlowControlToText(port.FlowControl().FlowControl())
              << '\n';
  }
  //! [text]
  if (ports.Count() == 0) std::cout << "no serial ports\n";
  return 0;
}
