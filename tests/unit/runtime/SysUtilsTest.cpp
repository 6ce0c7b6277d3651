#include "platform/runtime/SysUtils.h"

#include <gtest/gtest.h>

TEST(StrToInt, AcceptsOptionalSignAndDecimalDigitsOnly) {
  EXPECT_EQ(StrToInt("05"), 5);
  EXPECT_EQ(StrToInt("5"), 5);
  EXPECT_EQ(StrToInt("-1"), -1);
  EXPECT_EQ(StrToInt("+42"), 42);
  EXPECT_EQ(StrToInt("2147483647"), 2147483647);
  EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
  for (const char* bad : {"", "-", "+", "+-5", " 5", "5 ", "0x10", "$10", "1a", "2147483648", "A1"}) {
    EXPECT_THROW(StrToInt(bad), EConvertError) << '"' << bad << '"';
  }
}

TEST(StrToInt, ConversionErrorNamesTheText) {
  try {
    StrToInt("ab");
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'ab' is not a valid integer value");
  }
}

TEST(IntToHex, UpperCaseAndZeroPadded) {
  EXPECT_EQ(IntToHex(0xD7, 2), "D7");
  EXPECT_EQ(IntToHex(0x0A, 2), "0A");
  EXPECT_EQ(IntToHex(0, 2), "00");
  EXPECT_EQ(IntToHex(0x1234, 2), "1234");  // never truncated
  EXPECT_EQ(IntToHex(10, 4), "000A");
  EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFFFFFFFFFF");
}

TEST(UpperCase, FoldsOnlyAsciiLetters) {
  EXPECT_EQ(UpperCase("com1 Yes"), "COM1 YES");
  EXPECT_EQ(UpperCase("\xe0\xb0z{"), "\xe0\xb0Z{");
  EXPECT_TRUE(SameText("Custom", "cUSTOM"));
  EXPECT_LT(CompareText("COM10", "com2"), 0);
  EXPECT_GT(CompareText("\x80", "a"), 0);  // bytes compare unsigned
}
