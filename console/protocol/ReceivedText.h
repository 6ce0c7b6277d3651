// Received bytes (code page 949) as Unicode text, UTF-8 encoded. Every byte
// shows: a byte that is no character, or begins a pair that is none, becomes
// U+FFFD by itself, and decoding goes on with the next byte.
#pragma once

#include <cstdint>
#include <span>
#include <string>

// For people: printable ASCII as it is, double-byte characters decoded,
// control characters as their visible symbols (U+2400 to U+241F, and U+2421
// for DEL), so that the text stays on one line.
std::string DisplayText(std::span<const std::uint8_t> bytes);

// For programs: bytes 0x00 to 0x7F as the same code points (controls
// included), double-byte characters decoded.
std::string DecodedText(std::span<const std::uint8_t> bytes);
