#include "console/protocol/HexText.h"

#include <gtest/gtest.h>

#include "platform/runtime/SysUtils.h"

namespace {

std::string ParseError(const std::string& text) {
  try {
    ParseHexText(text);
  } catch (const EConvertError& e) {
    return e.Message();
  }
  return "(parsed)";
}

}  // namespace

TEST(HexText, TwoUpperCaseDigitsPerByteWithoutSeparators) {
  EXPECT_EQ(HexText(std::vector<std::uint8_t>{0x0A, 0x00, 0xD7, 0xFF}), "0A00D7FF");
  EXPECT_EQ(HexText(std::vector<std::uint8_t>{}), "");
}

TEST(ParseHexText, AcceptsEitherCaseAndBlanksBetweenBytes) {
  const std::vector<std::uint8_t> expected{0x02, 0xD7, 0xab};
  EXPECT_EQ(ParseHexText("02D7AB"), expected);
  EXPECT_EQ(ParseHexText(" 02 d7\tAb "), expected);
}

TEST(ParseHexText, RejectsMalformedTextNamingTheFault) {
  EXPECT_EQ(ParseError("02 3"), "odd number of hex digits (3)");
  EXPECT_EQ(ParseError("02 0x"), "'x' at position 5 is not a hex digit");
  EXPECT_EQ(ParseError("02\n"), "byte 0x0A at position 3 is not a hex digit");
  EXPECT_EQ(ParseError("0 2"), "a blank at position 2 splits a byte");
  EXPECT_EQ(ParseError(""), "no bytes given");
  EXPECT_EQ(ParseError("  "), "no bytes given");
}
