// Cuts a received byte stream into frames: frames split across reads are put
// together, bytes that belong to no frame are handed back as junk, and framed
// bytes with a wrong checksum as such.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "console/protocol/FrameCutter.h"

enum TStreamItemKind : std::uint8_t {
  siFrame,        // ten bytes, STX to ETX, checksum right
  siJunk,         // bytes outside any frame (run together as they came)
  siBadChecksum,  // ten bytes, STX to ETX, whose byte 9 is not their checksum
};

struct TStreamItem {
  TStreamItemKind Kind;
  std::vector<std::uint8_t> Bytes;

  friend bool operator==(const TStreamItem&, const TStreamItem&) = default;
};

// Frames are cut as TFrameCutter cuts them; a frame whose checksum is wrong
// comes out as such.
class TFrameAssembler {
 public:
  // Takes the next received bytes; returns, in stream order, what they completed.
  std::vector<TStreamItem> Feed(std::span<const std::uint8_t> bytes);

  // Bytes held back as the start of a frame not yet complete.
  std::size_t PendingBytes() const { return FCutter.HeldBytes(); }

 private:
  TFrameCutter FCutter;
};
