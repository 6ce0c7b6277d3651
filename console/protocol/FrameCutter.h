// Cuts a byte stream into ten-byte frames and the junk between them, whatever
// blocks the bytes came in: the reply assembler of the window and
// dispenser-cli, and the virtual dispenser's command reader, both cut this way.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "console/protocol/DispenserFrames.h"

enum TFramePieceKind : std::uint8_t {
  fpFrame,  // ten bytes from STX to ETX; the checksum is not looked at
  fpJunk,   // bytes that cannot begin a frame (run together as they came)
};

struct TFramePiece {
  TFramePieceKind Kind;
  TRawBytes Bytes;
};

// A frame starts at an STX and is whole ten bytes later if its tenth byte is
// ETX; otherwise its STX is junk and the search goes on from the next STX, so
// a frame right after a stray STX is still found. Bytes before an STX are junk
// at once. The start of a frame is held until the next Feed.
class TFrameCutter {
 public:
  // Takes the next bytes; returns, in stream order, what they complete.
  std::vector<TFramePiece> Feed(std::span<const std::uint8_t> bytes);

  // The start of a frame held back: STX and fewer than ten bytes, or nothing.
  std::size_t HeldBytes() const { return FHeld.size(); }
  // Hands the held bytes out; none are held afterwards.
  TRawBytes TakeHeld();

 private:
  TRawBytes FHeld;
};
