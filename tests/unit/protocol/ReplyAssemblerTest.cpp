#include "console/protocol/ReplyAssembler.h"
#include "console/protocol/ReplyDecoder.h"

#include <gtest/gtest.h>

#include <random>

#include "ReplyTestSupport.h"

inline void PrintTo(const TReplyBlock& block, std::ostream* os) {
  *os << "{" << int(block.Kind) << " " << HexText(block.Bytes) << " at "
      << block.LastByteAt.time_since_epoch().count() << "}";
}

namespace {

using namespace std::chrono_literals;
using TClock = TReplyAssembler::TClock;

const std::string kStandby = "0230307372303030D703";
const std::string kCount = "02303063303031308603";

// The reads of a case come 1 ms apart; a block carries the time of the read
// that completed it.
TClock::time_point Read(int index) {
  return TClock::time_point{} + index * 1ms;
}
TReplyBlock Frame(const std::string& hex, int read = 0) {
  return {rbFrame, Bytes(hex), Read(read)};
}
TReplyBlock Junk(const std::string& hex, int read = 0) {
  return {rbJunk, Bytes(hex), Read(read)};
}

// What the reads hand on; and how many bytes wait.
struct TCase {
  const char* Name;
  std::vector<std::string> Reads;
  std::vector<TReplyBlock> Blocks;
  std::size_t Held = 0;
};

}  // namespace

TEST(ReplyAssembler, HandsOnEveryFrameWholeAndEverythingElseAtOnceInStreamOrder) {
  const TCase cases[] = {
      {"reply, junk, reply",
       {kStandby + "4142", "43" + kCount},
       {Frame(kStandby), Junk("4142"), Junk("43", 1), Frame(kCount, 1)}},
      {"tenth byte no ETX: junk up to the next STX",
       {"02303063303031308604" + kStandby},
       {Junk("02303063303031308604"), Frame(kStandby)}},
      {"cut off before a whole one",
       {"0230306330", kCount},
       {Junk("0230306330", 1), Frame(kCount, 1)}},
      {"an STX as checksum", {"02303063303030D202", "03"}, {Frame("02303063303030D20203", 1)}},
      {"the next frame's start is held", {kCount + "02303073"}, {Frame(kCount)}, 4},
  };
  for (const TCase& c : cases) {
    TReplyAssembler assembler;
    std::vector<TReplyBlock> blocks;
    for (std::size_t i = 0; i < c.Reads.size(); ++i) {
      for (TReplyBlock& b : assembler.Feed(Bytes(c.Reads[i]), Read(int(i)))) blocks.push_back(b);
    }
    EXPECT_EQ(blocks, c.Blocks) << c.Name;
    EXPECT_EQ(assembler.HeldBytes(), c.Held) << c.Name;
  }
}

TEST(ReplyAssembler, AFrameStartIsHandedOnOnceItsWaitAfterTheLastByteIsOver) {
  TReplyAssembler assembler(50ms);
  const TClock::time_point t0{};
  EXPECT_TRUE(assembler.Feed(Bytes("02303063"), t0).empty());
  EXPECT_TRUE(assembler.Feed(Bytes("30"), t0 + 30ms).empty());
  EXPECT_EQ(assembler.Due(), t0 + 80ms);  // counted from the last byte
  EXPECT_TRUE(assembler.Expire(t0 + 79ms).empty());
  EXPECT_EQ(assembler.Expire(t0 + 80ms),
            (std::vector<TReplyBlock>{{rbIncomplete, Bytes("0230306330"), t0 + 30ms}}));
  EXPECT_TRUE(assembler.Expire(t0 + 200ms).empty());
  EXPECT_EQ(assembler.Due(), std::nullopt);
}

// However the line cuts a stream, every byte comes out once, in order, and
// the same frames are found.
TEST(ReplyAssembler, NoCutOfAStreamLosesRepeatsOrMovesAByte) {
  std::mt19937 random(7);
  TRawBytes stream;
  for (int i = 0; i < 400; ++i) {
    const std::string piece = random() % 4 == 0 ? "4142" : (random() % 2 ? kStandby : kCount);
    const TRawBytes bytes = Bytes(random() % 9 == 0 ? piece.substr(0, 8) : piece);
    stream.insert(stream.end(), bytes.begin(), bytes.end());
  }
  auto frames = [](const std::vector<TReplyBlock>& blocks) {
    return std::count_if(blocks.begin(), blocks.end(),
                         [](const TReplyBlock& b) { return b.Kind == rbFrame; });
  };
  const auto whole = frames(TReplyAssembler().Feed(stream, {}));
  for (int run = 0; run < 50; ++run) {
    TReplyAssembler assembler;
    std::vector<TReplyBlock> blocks;
    for (std::size_t at = 0, n = 0; at < stream.size(); at += n) {
      n = std::min<std::size_t>(1 + random() % 25, stream.size() - at);
      for (TReplyBlock& b : assembler.Feed(std::span(stream).subspan(at, n), {}))
        blocks.push_back(b);
    }
    for (TReplyBlock& b : assembler.Flush()) blocks.push_back(b);
    TRawBytes joined;
    for (const TReplyBlock& b : blocks) joined.insert(joined.end(), b.Bytes.begin(), b.Bytes.end());
    ASSERT_EQ(joined, stream) << "run " << run;
    ASSERT_EQ(frames(blocks), whole) << "run " << run;
  }
}

TEST(DecodeReplyBlock, AFrameWithAWrongChecksumGetsTheLineNamingBothBytesAfterItsEffects) {
  auto effects = DecodeReply(Bytes("0230307372303030D803")).Effects;
  effects.push_back({rtMemo1, "체크섬 오류: 받음 D8, 계산 D7", {}});
  EXPECT_EQ(DecodeReplyBlock(Frame("0230307372303030D803")).Effects, effects);
  EXPECT_EQ(DecodeReplyBlock(Frame(kStandby)).Effects, DecodeReply(Bytes(kStandby)).Effects);
  EXPECT_EQ(DecodeReplyBlock(Junk("0230307372303030D803")).Effects.size(), effects.size() - 1);
}
