#include "console/protocol/HexText.h"

#include "platform/runtime/SysUtils.h"

std::string HexText(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (const std::uint8_t b : bytes) {
    text += kDigits[b >> 4];
    text += kDigits[b & 0xF];
  }
  return text;
}

namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

}  // namespace

std::vector<std::uint8_t> ParseHexText(std::string_view text) {
  std::size_t digits = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (IsBlank(c)) continue;
    if (HexDigitValue(c) < 0) {
      const auto code = static_cast<std::uint8_t>(c);
      const std::string shown = code >= 0x21 && code <= 0x7E ? "'" + std::string(1, c) + "'"
                                                             : "byte 0x" + IntToHex(code, 2);
      throw EConvertError(shown + " at position " + IntToStr(i + 1) + " is not a hex digit");
    }
    ++digits;
  }
  if (digits % 2 != 0) throw EConvertError("odd number of hex digits (" + IntToStr(digits) + ")");
  if (digits == 0) throw EConvertError("no bytes given");

  std::vector<std::uint8_t> bytes;
  bytes.reserve(digits / 2);
  int high = -1;  // the first digit of the byte begun, or -1
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsBlank(text[i])) {
      if (high >= 0) {
        throw EConvertError("a blank at position " + IntToStr(i + 1) + " splits a byte");
      }
      continue;
    }
    const int value = HexDigitValue(text[i]);
    if (high < 0) {
      high = value;
    } else {
      bytes.push_back(static_cast<std::uint8_t>(high << 4 | value));
      high = -1;
    }
  }
  return bytes;
}
