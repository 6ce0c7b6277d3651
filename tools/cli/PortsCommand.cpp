// "ports [--root DIR]": the machine's serial ports, one name a line.
#include <string>

#include "platform/serial/CommDevice.h"
#include "serial/CPort.h"
#include "tools/cli/CliCommand.h"

int RunPorts(TCliArgs args, std::ostream& out, std::ostream& err) {
  // --root DIR lists the ports of another tree with sys/class/tty and dev
  // (a mounted system image, a test tree) instead of this machine's.
  std::string source;
  if (args.size() == 2 && args[0] == "--root") {
    source = args[1];
  } else if (!args.empty()) {
    throw ECliUsage("ports takes no arguments but --root DIR");
  }
  TStringList ports;
  try {
    if (source.empty()) {
      EnumComPorts(ports);
    } else {
      EnumComPorts(ports, source);
    }
  } catch (const EComPortExt& error) {
    err << "dispenser-cli: " << error.Message() << " ("
        << comm::SystemErrorText(error.SystemErrorCode()) << ")\n";
    return cxFailure;
  }
  for (const std::string& name : ports.ToVector()) out << name << '\n';
  return cxOk;
}
