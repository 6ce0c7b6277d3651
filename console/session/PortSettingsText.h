// A port's line settings in one line of text, as the session logs record
// them when a port opens: "9600 bit/s, 8 data bits, parity None, 1 stop
// bit(s), flow control Custom".
#pragma once

#include <string>

#include "serial/CPort.h"

std::string PortSettingsText(const TCustomComPort& port);
