#include "console/simulator/FrameAssembler.h"

#include <algorithm>

#include "console/protocol/DispenserFrames.h"

namespace {

// Adds junk to the items, joined to junk just before it.
void AddJunk(std::vector<TStreamItem>& items, std::vector<std::uint8_t>::const_iterator first,
             std::vector<std::uint8_t>::const_iterator last) {
  if (first == last) return;
  if (items.empty() || items.back().Kind != siJunk) items.push_back({siJunk, {}});
  items.back().Bytes.insert(items.back().Bytes.end(), first, last);
}

}  // namespace

std::vector<TStreamItem> TFrameAssembler::Feed(std::span<const std::uint8_t> bytes) {
  FPending.insert(FPending.end(), bytes.begin(), bytes.end());
  std::vector<TStreamItem> items;
  auto start = FPending.cbegin();
  for (;;) {
    const auto stx = std::find(start, FPending.cend(), STX);
    AddJunk(items, start, stx);
    start = stx;
    if (FPending.cend() - start < static_cast<std::ptrdiff_t>(TFrame{}.size())) break;

    const std::span<const std::uint8_t> candidate(&*start, TFrame{}.size());
    if (candidate.back() == ETX) {
      items.push_back({IsValidFrame(candidate) ? siFrame : siBadChecksum,
                       {candidate.begin(), candidate.end()}});
      start += static_cast<std::ptrdiff_t>(candidate.size());
    } else {
      // Not a frame: its STX is junk, and the next STX may begin one.
      const auto next = std::find(start + 1, FPending.cend(), STX);
      AddJunk(items, start, next);
      start = next;
    }
  }
  FPending.erase(FPending.cbegin(), start);
  return items;
}
