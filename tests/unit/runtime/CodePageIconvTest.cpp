// The built-in code page 949 against glibc's conversion, pair by pair, where
// the system has it.
#include <iconv.h>

#include <gtest/gtest.h>

#include "platform/runtime/CodePage.h"

namespace {

// iconv's character for the pair, or 0 when it makes no single character of both bytes.
char32_t IconvPair(iconv_t cd, std::uint8_t lead, std::uint8_t trail) {
  char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
  unsigned char out[8] = {};
  char* inp = in;
  char* outp = reinterpret_cast<char*>(out);
  std::size_t inLeft = sizeof in;
  std::size_t outLeft = sizeof out;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  const std::size_t done = iconv(cd, &inp, &inLeft, &outp, &outLeft);
  if (done == static_cast<std::size_t>(-1) || inLeft != 0 || outLeft != sizeof out - 4) return 0;
  return char32_t{out[0]} | char32_t{out[1]} << 8 | char32_t{out[2]} << 16 | char32_t{out[3]} << 24;
}

}  // namespace

TEST(CodePage949, EveryLeadAndTrailPairDecodesAsTheSystemsIconvDoes) {
  const iconv_t cd = iconv_open("UTF-32LE", "CP949");
  if (cd == reinterpret_cast<iconv_t>(-1)) GTEST_SKIP() << "this system has no CP949 conversion";
  int differing = 0, characters = 0;
  for (unsigned lead = 0x80; lead <= 0xFF; ++lead) {
    for (unsigned trail = 0; trail <= 0xFF; ++trail) {
      const auto l = static_cast<std::uint8_t>(lead), t = static_cast<std::uint8_t>(trail);
      const char32_t expected = IsCp949LeadByte(l) ? IconvPair(cd, l, t) : 0;
      const char32_t built = Cp949Character(l, t).value_or(0);
      characters += expected != 0;
      if (built != expected && ++differing <= 10) {
        ADD_FAILURE() << std::hex << lead << " " << trail << ": " << std::uint32_t{built}
                      << ", iconv " << std::uint32_t{expected};
      }
    }
  }
  iconv_close(cd);
  EXPECT_EQ(differing, 0);
  EXPECT_GT(characters, 17000);  // Hangul, Hanja and symbols: the comparison saw them
}
