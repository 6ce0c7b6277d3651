// The device control block as terminal settings, and back: pure functions,
// so every mapping can be checked without a device.
#pragma once

#include <cstdint>

#include "platform/serial/CommDevice.h"
#include "platform/serial/posix/LineSettings.h"

namespace comm::posix {

// The output lines a block asks for. Under RTS handshake the kernel drives
// RTS for input flow control and rtsDriven is false.
struct ModemOutputs {
  bool dtr = false;
  bool rts = false;
  bool rtsDriven = true;
};

// Rewrites *line (keeping what the block does not decide) to run dcb in raw
// mode, and says how to drive DTR and RTS. 0, or EINVAL for a block Linux
// cannot run: an impossible frame (ValidateDcb), DTR handshake, RTS toggle,
// RTS handshake without CTS output flow, DSR output flow.
//
// What the terminal does not do is left to the device layer, which does it
// on the bytes it reads: the event character, NUL discarding, the error
// character (parity errors arrive marked, PARMRK), DSR sensitivity, abort on
// error. XonLim, XoffLim and fTXContinueOnXoff have no terminal equivalent
// (the kernel's own thresholds apply, and output continues after an XOFF
// was sent).
std::int32_t MapDcbToLine(const DCB& dcb, LineSettings* line, ModemOutputs* outputs);

// The block a terminal's settings stand for, as far as they say: rate,
// frame, parity checking, flow control and its characters; DTR and RTS
// enabled (or RTS handshake), the rest neutral.
DCB DcbFromLine(const LineSettings& line);

// A neutral raw block for a terminal that is being opened: its present rate
// and frame, no flow control, DTR and RTS on.
DCB OpeningDcb(const LineSettings& line);

// Whether the settings read back from the device run what was asked for.
// The rate may be off by 3 % (a UART's divisor); a virtual line (pty) has
// no frame and forces 8 data bits without parity, so those are not compared.
bool RunsAsAsked(const LineSettings& asked, const LineSettings& actual, bool virtualLine);

}  // namespace comm::posix
