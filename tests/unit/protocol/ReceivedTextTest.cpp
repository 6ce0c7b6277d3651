#include "console/protocol/ReceivedText.h"

#include <gtest/gtest.h>

#include "ReplyTestSupport.h"

TEST(DisplayText, PrintableAsciiStaysAndControlsBecomeVisibleSymbols) {
  EXPECT_EQ(DisplayText(Bytes("41 7A 20 7E")), "Az ~");
  EXPECT_EQ(DisplayText(Bytes("02 30 03 0A 0D 00 7F")), "␂0␃␊␍␀␡");
}

TEST(DisplayText, DecodesDoubleByteKoreanIncludingTheExtendedRange) {
  EXPECT_EQ(DisplayText(Bytes("B4 EB B1 E2")), "대기");
  EXPECT_EQ(DisplayText(Bytes("81 41 C0 E5")), "갂장");  // 81 41 lies outside the basic Hangul set
  EXPECT_EQ(DisplayText(Bytes("30 B0 A1 31")), "0가1");
}

TEST(DisplayText, EveryByteThatIsNoCharacterBecomesOneReplacement) {
  EXPECT_EQ(DisplayText(Bytes("80")), "\uFFFD");
  EXPECT_EQ(DisplayText(Bytes("FF B0 A1")), "\uFFFD가");
  EXPECT_EQ(DisplayText(Bytes("B0")), "\uFFFD");              // lead byte at the end
  EXPECT_EQ(DisplayText(Bytes("B0 0A B0 A1")), "\uFFFD␊가");  // a bad trail byte still shows
  EXPECT_EQ(DisplayText(Bytes("B0 20")), "\uFFFD ");
}

TEST(DecodedText, KeepsControlsAsTheSameCodePoints) {
  EXPECT_EQ(DecodedText(Bytes("02 41 0A 7F B4 EB 80")),
            "\x02"
            "A\n\x7F대\uFFFD");
}
