// The probe's glue for the port engine, set up as the console sets up its
// port: the dispenser's line (SetDispenserLine: 9600 8N1, DTR and RTS on,
// no handshake), all ten events, handed
// to the main thread with smThreadSync, the default input queue of 1 KiB
// unless COMPARE_OURS_INPUT_SIZE names another (what a program that streams
// would set). OnRxChar reads the counted bytes with Read; writes go through
// PortWrite. The main thread's loop is left to the program (the headless
// loop, or Qt's).
#pragma once

#include "bench/compare/Probe.h"
#include "serial/CPort.h"

class OursPort : public ProbePort {
 public:
  std::string Open(const std::string& path) override;
  void Close() override;
  void Write(const std::uint8_t* data, std::size_t count) override;

 private:
  TComPort FPort{nullptr};
};
