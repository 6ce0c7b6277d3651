// Code page 949 through the system's own conversion (MultiByteToWideChar).
// The double-byte table is built once, on first use, so lookups are
// lock-free.
#include <windows.h>

#include <array>

#include "platform/runtime/CodePage.h"

namespace {

constexpr unsigned kFirstLead = 0x81;
constexpr unsigned kLeadCount = 0xFE - kFirstLead + 1;
constexpr UINT kCodePage = 949;

// One character per lead/trail pair; 0 where the pair is no character.
using TPairTable = std::array<char32_t, kLeadCount * 256>;

char32_t ConvertPair(std::uint8_t lead, std::uint8_t trail) {
  const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
  wchar_t out[4] = {};
  const int n = ::MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, in, 2, out, 4);
  // Exactly one character from both bytes (code page 949 has none beyond
  // the basic plane); anything else is none.
  if (n != 1 || (out[0] >= 0xD800 && out[0] <= 0xDFFF)) return 0;
  return static_cast<char32_t>(out[0]);
}

TPairTable BuildTable() {
  TPairTable table{};
  for (unsigned lead = kFirstLead; lead <= 0xFE; ++lead) {
    for (unsigned trail = 0; trail <= 0xFF; ++trail) {
      table[(lead - kFirstLead) * 256 + trail] =
          ConvertPair(static_cast<std::uint8_t>(lead), static_cast<std::uint8_t>(trail));
    }
  }
  return table;
}

}  // namespace

std::optional<char32_t> Cp949Character(std::uint8_t lead, std::uint8_t trail) {
  if (!IsCp949LeadByte(lead)) return std::nullopt;
  static const TPairTable table = BuildTable();
  const char32_t c = table[(lead - kFirstLead) * 256 + trail];
  if (c == 0) return std::nullopt;
  return c;
}
