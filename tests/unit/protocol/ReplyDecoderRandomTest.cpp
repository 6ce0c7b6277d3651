// Many thousands of random blocks, most of them frame-like, through the
// decoder and the display text: what must hold for every block.
#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <random>

#include "ReplyTestSupport.h"

namespace {

// Bytes the decoder looks for, so that random blocks reach every row.
constexpr std::uint8_t kFrameBytes[] = {0x02, 0x03, 0x0A, 0x00, 0x30, 0x31, 0x32, 0x35, 0x39,
                                        0x3A, 0x45, 0x62, 0x63, 0x65, 0x72, 0x73, 0xD7, 0xD9,
                                        0xB0, 0xA1, 0x81, 0x41, 0x80, 0xFF, 0x2D, 0x41};

class TBlockSource {
 public:
  explicit TBlockSource(std::uint32_t seed) : FRandom(seed) {}

  std::vector<std::uint8_t> Next() {
    std::vector<std::uint8_t> block(Below(65));
    const bool frameLike = Below(4) != 0;
    for (std::size_t i = 0; i < block.size(); ++i) {
      if (frameLike && i < 10 && Below(3) != 0) {
        // Mostly the byte a reply would have here, often a look-alike.
        block[i] = FrameByte(i);
      } else if (Below(2) == 0) {
        block[i] = kFrameBytes[Below(std::size(kFrameBytes))];
      } else {
        block[i] = static_cast<std::uint8_t>(Below(256));
      }
    }
    return block;
  }

 private:
  std::size_t Below(std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(FRandom);
  }

  std::uint8_t FrameByte(std::size_t i) {
    static constexpr std::uint8_t kLetters[] = {0x45, 0x62, 0x63, 0x73, 0x4B};
    static constexpr std::uint8_t kCodes[] = {0x31, 0x32, 0x36, 0x39, 0x65, 0x72, 0x30};
    switch (i) {
      case 0:
        return Below(8) == 0 ? 0x0A : 0x02;
      case 3:
        return kLetters[Below(std::size(kLetters))];
      case 4:
        return kCodes[Below(std::size(kCodes))];
      case 8:
        return Below(2) == 0 ? 0xD7 : 0xD9;
      case 9:
        return 0x03;
      default:
        return static_cast<std::uint8_t>(0x30 + Below(Below(4) == 0 ? 16 : 2));
    }
  }

  std::mt19937 FRandom;
};

// Whether `text` is well-formed UTF-8, and how many characters it holds.
bool Utf8Characters(const std::string& text, std::size_t& count) {
  iconv_t cd = iconv_open("UTF-32LE", "UTF-8");
  std::string in = text;
  std::vector<char> out(text.size() * 4 + 4);
  char* inp = in.data();
  char* outp = out.data();
  std::size_t inLeft = in.size();
  std::size_t outLeft = out.size();
  const bool ok = iconv(cd, &inp, &inLeft, &outp, &outLeft) != static_cast<std::size_t>(-1);
  iconv_close(cd);
  count = (out.size() - outLeft) / 4;
  return ok && inLeft == 0;
}

}  // namespace

TEST(DecodeReplyRandom, EveryBlockShowsItsBytesAndEndsWithTheProgressStepUnlessItFailed) {
  TBlockSource source(20240517);
  int rowsHit = 0;
  int failures = 0;
  for (int n = 0; n < 20000; ++n) {
    const std::vector<std::uint8_t> block = source.Next();
    SCOPED_TRACE("block " + HexText(block));
    const TDecodedReply reply = DecodeReply(block);
    const std::vector<TReplyEffect>& effects = reply.Effects;

    ASSERT_GE(effects.size(), 2u);
    const TRawBytes raw(block.begin(), std::find(block.begin(), block.end(), 0));
    EXPECT_EQ(effects[0], (TReplyEffect{rtEdit3, "", raw}));
    ASSERT_EQ(effects[1].Target, rtMemo1);
    ASSERT_EQ(effects[1].Text.size(), 2 * block.size());
    if (!block.empty()) {
      EXPECT_EQ(ParseHexText(effects[1].Text), block);
    }

    const auto progressSteps =
        std::count_if(effects.begin(), effects.end(),
                      [](const TReplyEffect& e) { return e.Target == rtProgressBar2; });
    if (reply.Failure) {
      ++failures;
      EXPECT_EQ(progressSteps, 0);
      EXPECT_EQ(effects.back().Target, rtMemo1);
      EXPECT_TRUE(block.size() >= 5 && block[3] == 0x45 && block[4] >= 0x31 && block[4] <= 0x38);
    } else {
      EXPECT_EQ(progressSteps, 1);
      EXPECT_EQ(effects.back().Target, rtProgressBar2);
    }
    const std::size_t firstByteDialogs = !block.empty() && block[0] == 0x0A ? 1 : 0;
    const std::size_t decided = effects.size() - 2 - firstByteDialogs - (reply.Failure ? 0 : 1);
    EXPECT_LE(decided, 2u);
    if (decided > 0) ++rowsHit;

    std::size_t characters = 0;
    const std::string shown = DisplayText(raw);
    ASSERT_TRUE(Utf8Characters(shown, characters)) << shown;
    EXPECT_GE(characters, (raw.size() + 1) / 2);
    EXPECT_LE(characters, raw.size());
    EXPECT_TRUE(std::none_of(shown.begin(), shown.end(), [](char c) {
      return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    }));
  }
  // The generator is worth its name only if it reaches the rows and the failure.
  EXPECT_GT(rowsHit, 2000);
  EXPECT_GT(failures, 50);
}
