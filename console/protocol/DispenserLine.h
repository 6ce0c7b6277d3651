// The dispenser's line settings, the one place they are written: the window,
// dispenser-cli and the benchmarks open their port with them.
#pragma once

class TCustomComPort;

// Sets `port` to the dispenser's line: 9600 bit/s, 8 data bits, no parity
// (bytes with a parity error replaced), one stop bit, DTR and RTS on, no
// handshake. The port's name, events and everything else stay as they are.
void SetDispenserLine(TCustomComPort& port);
