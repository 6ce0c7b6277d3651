// Received bytes through the reply assembler, in reads cut and timed as the
// input chooses. Nothing is lost, doubled or reordered: the blocks handed on
// are the stream. A frame is ten bytes from STX to ETX, the held start of a
// frame is an STX and fewer than ten bytes, and when no wait runs out the
// cuts change nothing. Every block decodes.
#include <algorithm>

#include "console/protocol/DispenserFrames.h"
#include "console/protocol/ReplyAssembler.h"
#include "console/protocol/ReplyDecoder.h"
#include "fuzz/FuzzCheck.h"

namespace {

using Clock = TReplyAssembler::TClock;

void CheckBlock(const TReplyBlock& block) {
  FUZZ_CHECK(!block.Bytes.empty());
  if (block.Kind == rbFrame) {
    FUZZ_CHECK(block.Bytes.size() == 10 && block.Bytes.front() == STX && block.Bytes.back() == ETX);
  } else if (block.Kind == rbIncomplete) {
    FUZZ_CHECK(block.Bytes.size() < 10 && block.Bytes.front() == STX);
  }
  for (const TReplyEffect& effect : DecodeReplyBlock(block).Effects) {
    FUZZ_CHECK(fuzz::IsValidUtf8(effect.Text));
  }
}

// Blocks as a sequence to compare: junk that follows junk is one block.
void Append(std::vector<TReplyBlock>& all, std::vector<TReplyBlock> blocks) {
  for (TReplyBlock& block : blocks) {
    CheckBlock(block);
    if (block.Kind == rbJunk && !all.empty() && all.back().Kind == rbJunk) {
      all.back().Bytes.insert(all.back().Bytes.end(), block.Bytes.begin(), block.Bytes.end());
    } else {
      all.push_back(std::move(block));
    }
  }
}

// Feeds the stream in reads of 1 to 16 bytes (lengths from cuts, cycling),
// the gap before each read in ms from gaps; calls Expire as a timer would.
std::vector<TReplyBlock> Assemble(std::span<const std::uint8_t> stream,
                                  std::span<const std::uint8_t> cuts,
                                  std::span<const std::uint8_t> gaps) {
  TReplyAssembler assembler;
  std::vector<TReplyBlock> all;
  Clock::time_point now{};
  std::size_t at = 0, read = 0;
  while (at < stream.size()) {
    std::size_t length = stream.size() - at;
    if (!cuts.empty()) length = std::min<std::size_t>(length, cuts[read % cuts.size()] % 16 + 1);
    if (!gaps.empty()) now += std::chrono::milliseconds(gaps[read % gaps.size()]);
    ++read;
    if (const auto due = assembler.Due(); due && *due <= now) Append(all, assembler.Expire(now));
    Append(all, assembler.Feed(stream.subspan(at, length), now));
    at += length;
    FUZZ_CHECK(assembler.HeldBytes() < 10);
  }
  Append(all, assembler.Flush());
  FUZZ_CHECK(assembler.HeldBytes() == 0 && !assembler.Due());
  return all;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InputReader input(data, size);
  const auto cuts = input.Piece(16);
  const auto gaps = input.Piece(16);
  const auto stream = input.Rest();

  const std::vector<TReplyBlock> timed = Assemble(stream, cuts, gaps);
  TRawBytes joined;
  for (const TReplyBlock& block : timed) {
    joined.insert(joined.end(), block.Bytes.begin(), block.Bytes.end());
  }
  FUZZ_CHECK(std::equal(joined.begin(), joined.end(), stream.begin(), stream.end()));

  // No wait runs out: however the reads are cut, the blocks are those of one read.
  FUZZ_CHECK(Assemble(stream, cuts, {}) == Assemble(stream, {}, {}));
  return 0;
}
