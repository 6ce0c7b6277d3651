// The names of the SIM port, which opens a virtual dispenser in the program
// itself (see SimDispenser.h):
//   SIM                   the dispenser as dispenser-sim runs by default
//   SIM:ITEM[,ITEM]...    with settings, each ITEM one of
//     KIND[@N][:NOTES]    a dispense fault, as dispenser-sim --fault gives it
//     fault=KIND[@N][:NOTES], delay=MS, split
//                         the settings of dispenser-sim, named as its options
//     line=KIND@N[*COUNT] a line event after the Nth answered command, before
//                         its reply; COUNT of them in a row (default 1)
//     line=KIND/MS[*COUNT] a line event every MS ms while the program runs
//                         (events while the port is closed are lost)
//                         KIND: break, framing, parity, overrun, rx-over (a
//                         line error), cts, dsr, rlsd (the line turns over,
//                         the first time on), ring (a ring, on and off); see
//                         LineTriggers.h. Only a SIM port has these.
// "SIM" is read without regard to letter case, as Windows reads device names;
// the items are read as written.
#pragma once

#include <string_view>

#include "console/simulator/DispenserSetup.h"

inline constexpr std::string_view kSimPortName = "SIM";

// Whether the name is "SIM" or starts with "SIM:" (its items unread).
bool IsSimPortName(std::string_view name);

// For command lines: raises EConvertError if the name is a SIM port name
// that does not read (any other name is the system's to judge).
void CheckPortName(std::string_view name);

// The settings a SIM port name gives. Raises EConvertError naming the name
// and the item at fault.
TDispenserSetup ParseSimPortName(std::string_view name);
