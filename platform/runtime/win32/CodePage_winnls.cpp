// Code page 949 through the system's own conversion (MultiByteToWideChar).
#include <windows.h>

#include "platform/runtime/CodePage.h"

TCp949PairConverter Cp949PairConverter() {
  return [](std::uint8_t lead, std::uint8_t trail) -> char32_t {
    const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    wchar_t out[4] = {};
    const int n = ::MultiByteToWideChar(949, MB_ERR_INVALID_CHARS, in, 2, out, 4);
    // Exactly one character from both bytes (code page 949 has none beyond
    // the basic plane); anything else is none.
    if (n != 1 || (out[0] >= 0xD800 && out[0] <= 0xDFFF)) return 0;
    return static_cast<char32_t>(out[0]);
  };
}
