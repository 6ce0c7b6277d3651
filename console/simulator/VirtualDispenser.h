// The dispenser as its serial line sees it: received bytes in, for each
// complete frame the reply, and a note of everything it ignored.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "console/simulator/DispenserMachine.h"
#include "console/simulator/FrameAssembler.h"

// What one piece of the received stream came to.
struct TExchange {
  std::vector<std::uint8_t> Received;  // a command frame, or the ignored bytes
  std::optional<TFrame> Reply;         // the answer to a command frame
  std::string Ignored;                 // why the bytes were ignored; empty if answered
  std::size_t LastByte = 0;  // where it ended: its last byte's index in the bytes received
};

class TVirtualDispenser {
 public:
  explicit TVirtualDispenser(std::vector<TFault> faults = {},
                             std::optional<unsigned> muteAfter = std::nullopt)
      : FMachine(std::move(faults), muteAfter) {}

  // Takes received bytes; returns what they completed, in stream order.
  std::vector<TExchange> Receive(std::span<const std::uint8_t> bytes);

  const TDispenserMachine& Machine() const { return FMachine; }

 private:
  TFrameAssembler FAssembler;
  TDispenserMachine FMachine;
};
