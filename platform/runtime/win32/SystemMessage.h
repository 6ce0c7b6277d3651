// The system's text for a GetLastError() number, without the trailing full
// stop and line break ("The system cannot find the file specified").
#pragma once

#include <string>

std::string SystemMessage(unsigned long error);
