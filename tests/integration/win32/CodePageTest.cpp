// Code page 949 as Windows defines it, the user-defined rows included.
#include "platform/runtime/CodePage.h"

#include <gtest/gtest.h>

TEST(CodePage949, PairsAreTheSystemsCharacters) {
  EXPECT_EQ(Cp949Character(0xB0, 0xA1), U'\uAC00');  // Hangul syllable GA
  EXPECT_EQ(Cp949Character(0x81, 0x41), U'\uAC02');  // an extended Hangul syllable
  EXPECT_EQ(Cp949Character(0xC6, 0x52), U'\uD7A3');  // the last syllable
  EXPECT_EQ(Cp949Character(0xA1, 0xA1), U'\u3000');  // ideographic space
  EXPECT_EQ(Cp949Character(0xA2, 0xE6), U'\u20AC');  // euro sign
  EXPECT_EQ(Cp949Character(0xC9, 0xA1), U'\uE000');  // user-defined: private use
  EXPECT_EQ(Cp949Character(0xFE, 0xFE), U'\uE0BB');
  EXPECT_EQ(Cp949Character(0xC6, 0x53), std::nullopt);
  EXPECT_EQ(Cp949Character(0xC9, 0x41), std::nullopt);
  EXPECT_EQ(Cp949Character(0x81, 0x20), std::nullopt);
  EXPECT_EQ(Cp949Character(0x41, 0x41), std::nullopt);  // no lead byte

  int characters = 0;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0; trail <= 0xFF; ++trail) {
      if (Cp949Character(static_cast<std::uint8_t>(lead), static_cast<std::uint8_t>(trail))) {
        ++characters;
      }
    }
  }
  // glibc's table has 17048; Windows adds the two user-defined rows of 94.
  EXPECT_EQ(characters, 17048 + 2 * 94);
}
