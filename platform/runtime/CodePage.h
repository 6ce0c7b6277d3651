// Code page 949 (Korean: ASCII plus double-byte Hangul, Hanja and symbols), the
// code page of the dispenser's texts: as Windows defines it there, by the
// table built into the program elsewhere.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

// True for a byte that may begin a double-byte character (0x81 to 0xFE).
constexpr bool IsCp949LeadByte(std::uint8_t b) {
  return b >= 0x81 && b <= 0xFE;
}

// The character that the double-byte sequence `lead` `trail` stands for, or
// nothing if the pair is not a character of the code page. Thread-safe.
std::optional<char32_t> Cp949Character(std::uint8_t lead, std::uint8_t trail);

// The conversion of one double-byte pair: its character, or 0 when the pair
// is none. Made once, for building the table that Cp949Character looks in;
// one implementation per system: Windows' own conversion (win32/), the
// built-in runs of Cp949Runs.h (posix/).
using TCp949PairConverter = std::function<char32_t(std::uint8_t lead, std::uint8_t trail)>;
TCp949PairConverter Cp949PairConverter();
