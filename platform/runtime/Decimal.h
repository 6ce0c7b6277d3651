// Whole numbers as the tools' command lines write them: decimal digits only.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The number `text` writes, if it is one or more decimal digits and at most
// `max`; nothing otherwise (a sign, blanks, other characters, too large).
std::optional<std::uint64_t> ParseDecimal(std::string_view text, std::uint64_t max);
