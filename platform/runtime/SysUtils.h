// The runtime's base exception, its conversion error, and the text helpers
// the engine and the console use (IntToStr, IntToHex, StrToInt, UpperCase).
// Texts are 8-bit strings.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

// The base of every exception the system raises: carries a message text.
class Exception : public std::exception {
 public:
  // An exception whose text is message.
  explicit Exception(std::string message) : FMessage(std::move(message)) {}
  const std::string& Message() const noexcept { return FMessage; }  // the text
  // The text, for std::exception.
  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  std::string FMessage;
};

// A value that cannot be converted: a text that is not a number, an object
// that cannot be assigned to another.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// Decimal text of a number: -12 gives "-12".
std::string IntToStr(std::int64_t value);

// Upper-case hexadecimal text of a number, at least `digits` digits wide
// (zero-padded): IntToHex(0xD7, 2) gives "D7", IntToHex(10, 4) gives "000A".
// Negative values are written as their 64-bit two's complement pattern.
std::string IntToHex(std::int64_t value, int digits);

// A signed 32-bit decimal number: an optional sign and one or more digits,
// nothing else (no blanks). Anything else, or a value out of range, raises
// EConvertError "'<text>' is not a valid integer value".
std::int32_t StrToInt(const std::string& text);

// The text with the ASCII letters a-z made upper case; every other byte unchanged.
std::string UpperCase(std::string text);

// Comparison ignoring the case of ASCII letters: < 0, 0 or > 0, like strcmp
// of the two texts folded with UpperCase.
int CompareText(const std::string& a, const std::string& b);
inline bool SameText(const std::string& a, const std::string& b) { return CompareText(a, b) == 0; }
