// Cutting the received stream into frames: split reads, junk, bad checksums.
#include <gtest/gtest.h>

#include <random>

#include "console/protocol/HexText.h"
#include "console/simulator/FrameAssembler.h"

// For readable failures (found by argument lookup, so outside the anonymous namespace).
void PrintTo(const TStreamItem& item, std::ostream* os) {
  *os << "{" << int(item.Kind) << ", " << HexText(item.Bytes) << "}";
}

namespace {

std::vector<std::uint8_t> Bytes(const std::string& hex) {
  return ParseHexText(hex);
}

TStreamItem Frame(const std::string& hex) {
  return {siFrame, Bytes(hex)};
}
TStreamItem Junk(const std::string& hex) {
  return {siJunk, Bytes(hex)};
}

const std::string kCount = "02303043303030306503";
const std::string kState = "02303053303030307503";

}  // namespace

TEST(FrameAssembler, FrameSplitAtAnyPointComesOutOnceWhole) {
  const auto frame = Bytes(kCount);
  for (std::size_t cut = 1; cut < frame.size(); ++cut) {
    TFrameAssembler assembler;
    EXPECT_TRUE(assembler.Feed(std::span(frame).first(cut)).empty()) << cut;
    EXPECT_EQ(assembler.PendingBytes(), cut);
    EXPECT_EQ(assembler.Feed(std::span(frame).subspan(cut)), std::vector{Frame(kCount)}) << cut;
    EXPECT_EQ(assembler.PendingBytes(), 0u);
  }
  TFrameAssembler byteByByte;
  std::vector<TStreamItem> items;
  for (const std::uint8_t byte : frame) {
    for (auto& item : byteByByte.Feed(std::span(&byte, 1))) items.push_back(item);
  }
  EXPECT_EQ(items, std::vector{Frame(kCount)});
}

TEST(FrameAssembler, JunkAroundFramesIsHandedBackAsItCame) {
  TFrameAssembler assembler;
  EXPECT_EQ(assembler.Feed(Bytes("0D0A " + kCount + " 414243 " + kState + " FF")),
            (std::vector{Junk("0D0A"), Frame(kCount), Junk("414243"), Frame(kState), Junk("FF")}));
  EXPECT_EQ(assembler.PendingBytes(), 0u);
}

TEST(FrameAssembler, StrayStartBytesBeforeAFrameAreJunkAndTheFrameIsFound) {
  TFrameAssembler assembler;
  EXPECT_TRUE(assembler.Feed(Bytes("02 41 02")).empty());
  EXPECT_EQ(assembler.Feed(Bytes(kCount)), (std::vector{Junk("024102"), Frame(kCount)}));

  // A frame cut off by a new frame: the stub is junk, the whole frame counts.
  TFrameAssembler cutOff;
  EXPECT_EQ(cutOff.Feed(Bytes("0230304330 " + kState)),
            (std::vector{Junk("0230304330"), Frame(kState)}));
}

TEST(FrameAssembler, WrongChecksumIsReportedAndTheNextFrameStillCounts) {
  TFrameAssembler assembler;
  EXPECT_EQ(
      assembler.Feed(Bytes("02303043303030306603" + kState)),
      (std::vector{TStreamItem{siBadChecksum, Bytes("02303043303030306603")}, Frame(kState)}));
}

TEST(FrameAssembler, RandomStreamsOfFramesAndJunkInRandomReadsLoseNothing) {
  std::mt19937 random(20240502);
  for (int round = 0; round < 200; ++round) {
    // Frames with junk (no STX in it) between them, as a stream and as the
    // items it must come back as.
    std::vector<std::uint8_t> stream;
    std::vector<TStreamItem> expected;
    for (int i = 0; i < 20; ++i) {
      if (random() % 3 == 0) {
        TStreamItem junk{siJunk, {}};
        for (unsigned n = 1 + random() % 12; n > 0; --n) {
          std::uint8_t byte = static_cast<std::uint8_t>(random());
          junk.Bytes.push_back(byte == 0x02 ? 0x03 : byte);
        }
        stream.insert(stream.end(), junk.Bytes.begin(), junk.Bytes.end());
        expected.push_back(junk);
      }
      const auto frame = Bytes(random() % 2 ? kCount : kState);
      stream.insert(stream.end(), frame.begin(), frame.end());
      expected.push_back({siFrame, frame});
    }
    TFrameAssembler assembler;
    std::vector<TStreamItem> items;
    for (std::size_t at = 0; at < stream.size();) {
      const std::size_t n = std::min<std::size_t>(1 + random() % 25, stream.size() - at);
      for (auto& item : assembler.Feed(std::span(stream).subspan(at, n))) {
        // Junk that arrived over several reads may come back in pieces.
        if (item.Kind == siJunk && !items.empty() && items.back().Kind == siJunk) {
          items.back().Bytes.insert(items.back().Bytes.end(), item.Bytes.begin(), item.Bytes.end());
        } else {
          items.push_back(item);
        }
      }
      at += n;
    }
    ASSERT_EQ(items, expected) << "round " << round;
  }
}
