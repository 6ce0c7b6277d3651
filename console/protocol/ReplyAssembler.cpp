#include "console/protocol/ReplyAssembler.h"

#include <utility>

std::vector<TReplyBlock> TReplyAssembler::Feed(std::span<const std::uint8_t> bytes,
                                               TClock::time_point now) {
  std::vector<TReplyBlock> blocks;
  if (bytes.empty()) return blocks;
  FLastByte = now;
  for (TFramePiece& piece : FCutter.Feed(bytes)) {
    blocks.push_back({piece.Kind == fpFrame ? rbFrame : rbJunk, std::move(piece.Bytes), now});
  }
  return blocks;
}

std::optional<TReplyAssembler::TClock::time_point> TReplyAssembler::Due() const {
  if (FCutter.HeldBytes() == 0) return std::nullopt;
  return FLastByte + FRestWait;
}

std::vector<TReplyBlock> TReplyAssembler::Expire(TClock::time_point now) {
  const auto due = Due();
  if (!due || now < *due) return {};
  return Flush();
}

std::vector<TReplyBlock> TReplyAssembler::Flush() {
  TRawBytes held = FCutter.TakeHeld();
  if (held.empty()) return {};
  return {{rbIncomplete, std::move(held), FLastByte}};
}

bool AnswersCommand(const TReplyBlock& block, TDispenserCommand command) {
  if (block.Kind == rbJunk) return false;
  if (block.Bytes.size() < 4) return block.Kind == rbIncomplete;
  const std::uint8_t letter = block.Bytes[3];
  return letter == 'E' || letter == CommandFrame(command)[3] + ('a' - 'A');
}
