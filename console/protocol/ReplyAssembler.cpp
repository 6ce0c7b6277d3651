#include "console/protocol/ReplyAssembler.h"

#include <algorithm>

#include "console/protocol/DispenserFrames.h"

namespace {

constexpr std::ptrdiff_t kFrameSize = std::tuple_size_v<TFrame>;

// Adds junk to the blocks, joined to junk just before it: bytes that came
// together outside any frame stay one block.
void AddJunk(std::vector<TReplyBlock>& blocks, TRawBytes::const_iterator first,
             TRawBytes::const_iterator last) {
  if (first == last) return;
  if (blocks.empty() || blocks.back().Kind != rbJunk) blocks.push_back({rbJunk, {}});
  blocks.back().Bytes.insert(blocks.back().Bytes.end(), first, last);
}

}  // namespace

std::vector<TReplyBlock> TReplyAssembler::Feed(std::span<const std::uint8_t> bytes,
                                               TClock::time_point now) {
  std::vector<TReplyBlock> blocks;
  if (bytes.empty()) return blocks;
  FHeld.insert(FHeld.end(), bytes.begin(), bytes.end());
  FLastByte = now;

  auto start = FHeld.cbegin();
  for (;;) {
    const auto stx = std::find(start, FHeld.cend(), STX);
    AddJunk(blocks, start, stx);
    start = stx;
    if (FHeld.cend() - start < kFrameSize) break;  // held: a frame's start, or nothing
    if (start[kFrameSize - 1] == ETX) {
      blocks.push_back({rbFrame, TRawBytes(start, start + kFrameSize)});
      start += kFrameSize;
    } else {
      // Not a frame: its STX is junk, and the next STX may begin one.
      const auto next = std::find(start + 1, FHeld.cend(), STX);
      AddJunk(blocks, start, next);
      start = next;
    }
  }
  FHeld.erase(FHeld.cbegin(), start);
  return blocks;
}

std::optional<TReplyAssembler::TClock::time_point> TReplyAssembler::Due() const {
  if (FHeld.empty()) return std::nullopt;
  return FLastByte + FRestWait;
}

std::vector<TReplyBlock> TReplyAssembler::Expire(TClock::time_point now) {
  const auto due = Due();
  if (!due || now < *due) return {};
  return Flush();
}

std::vector<TReplyBlock> TReplyAssembler::Flush() {
  if (FHeld.empty()) return {};
  std::vector<TReplyBlock> blocks{{rbIncomplete, std::move(FHeld)}};
  FHeld.clear();
  return blocks;
}

TDecodedReply DecodeReplyBlock(const TReplyBlock& block) {
  TDecodedReply reply = DecodeReply(block.Bytes);
  if (block.Kind != rbFrame || block.Bytes.size() != TFrame{}.size()) return reply;
  const std::uint8_t received = block.Bytes[8];
  const std::uint8_t computed = FrameChecksum(block.Bytes);
  if (received != computed) {
    reply.Effects.push_back(
        {rtMemo1,
         "체크섬 오류: 받음 " + IntToHex(received, 2) + ", 계산 " + IntToHex(computed, 2),
         {}});
  }
  return reply;
}

bool AnswersCommand(const TReplyBlock& block, TDispenserCommand command) {
  if (block.Kind == rbJunk) return false;
  if (block.Bytes.size() < 4) return block.Kind == rbIncomplete;
  const std::uint8_t letter = block.Bytes[3];
  return letter == 'E' || letter == CommandFrame(command)[3] + ('a' - 'A');
}
