#include "console/protocol/FrameCutter.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::ptrdiff_t kFrameSize = std::tuple_size_v<TFrame>;

// Adds junk to the pieces, joined to junk just before it: bytes that came
// together outside any frame stay one piece.
void AddJunk(std::vector<TFramePiece>& pieces, TRawBytes::const_iterator first,
             TRawBytes::const_iterator last) {
  if (first == last) return;
  if (pieces.empty() || pieces.back().Kind != fpJunk) pieces.push_back({fpJunk, {}});
  pieces.back().Bytes.insert(pieces.back().Bytes.end(), first, last);
}

}  // namespace

std::vector<TFramePiece> TFrameCutter::Feed(std::span<const std::uint8_t> bytes) {
  FHeld.insert(FHeld.end(), bytes.begin(), bytes.end());
  std::vector<TFramePiece> pieces;
  auto start = FHeld.cbegin();
  for (;;) {
    const auto stx = std::find(start, FHeld.cend(), STX);
    AddJunk(pieces, start, stx);
    start = stx;
    if (FHeld.cend() - start < kFrameSize) break;  // held: a frame's start, or nothing
    if (start[kFrameSize - 1] == ETX) {
      pieces.push_back({fpFrame, TRawBytes(start, start + kFrameSize)});
      start += kFrameSize;
    } else {
      // Not a frame: its STX is junk, and the next STX may begin one.
      const auto next = std::find(start + 1, FHeld.cend(), STX);
      AddJunk(pieces, start, next);
      start = next;
    }
  }
  FHeld.erase(FHeld.cbegin(), start);
  return pieces;
}

TRawBytes TFrameCutter::TakeHeld() {
  return std::exchange(FHeld, {});
}
