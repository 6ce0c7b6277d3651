// The names of the machine's serial ports, each one a port's Port accepts.
#pragma once

#include <string>

#include "platform/runtime/Classes.h"

// Replaces the list's contents by the port names, sorted as TStringList sorts
// (ignoring letter case, equal names kept). A source that cannot be read
// raises EComPortExt code 23 named "EnumComPorts" with the system error; the
// list then keeps what it held.
void EnumComPorts(TStrings& ports);
// The same from another source than the machine's own (see
// comm::ListSerialPorts for what a source is); tests pass a directory tree.
void EnumComPorts(TStrings& ports, const std::string& source);
