// Bytes as hexadecimal text and back: the reply log's hex line, the frames the
// tools print, and the hex the tools read.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Every byte as two upper-case hex digits, no separators: 02 0A D7 gives "020AD7".
std::string HexText(std::span<const std::uint8_t> bytes);

// The bytes written in `text`: pairs of hex digits (either case), with blanks
// (spaces, tabs) allowed between bytes but not inside one. Raises
// EConvertError naming the fault for an odd digit count, a byte split by a
// blank, any other character, or a text without a byte.
std::vector<std::uint8_t> ParseHexText(std::string_view text);
