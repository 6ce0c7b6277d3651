#include "console/simulator/FrameAssembler.h"

#include <utility>

std::vector<TStreamItem> TFrameAssembler::Feed(std::span<const std::uint8_t> bytes) {
  std::vector<TStreamItem> items;
  for (TFramePiece& piece : FCutter.Feed(bytes)) {
    const TStreamItemKind kind =
        piece.Kind == fpJunk ? siJunk : (IsValidFrame(piece.Bytes) ? siFrame : siBadChecksum);
    items.push_back({kind, std::move(piece.Bytes)});
  }
  return items;
}
