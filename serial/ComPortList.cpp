// Listing the machine's serial ports.
#include "serial/ComPortList.h"

#include <vector>

#include "platform/serial/PortList.h"
#include "serial/ComErrors.h"

void EnumComPorts(TStrings& ports) {
  EnumComPorts(ports, comm::DefaultSerialPortSource());
}

void EnumComPorts(TStrings& ports, const std::string& source) {
  std::vector<std::string> names;
  if (const std::int32_t error = comm::ListSerialPorts(source, &names)) {
    throw EComPortExt("EnumComPorts", ecRegistry, error);
  }
  TStringList sorted;
  for (const std::string& name : names) sorted.Add(name);
  sorted.Sort();
  ports.Assign(sorted);
}
