// The double-byte table of code page 949, built once, on first use, from the
// system's pair conversion (Cp949PairConverter), so lookups are lock-free.
#include "platform/runtime/CodePage.h"

#include <array>

namespace {

constexpr unsigned kFirstLead = 0x81;
constexpr unsigned kLeadCount = 0xFE - kFirstLead + 1;

// One character per lead/trail pair; 0 where the pair is no character.
using TPairTable = std::array<char32_t, kLeadCount * 256>;

TPairTable BuildTable() {
  const TCp949PairConverter convert = Cp949PairConverter();
  TPairTable table{};
  for (unsigned lead = kFirstLead; lead <= 0xFE; ++lead) {
    for (unsigned trail = 0; trail <= 0xFF; ++trail) {
      table[(lead - kFirstLead) * 256 + trail] =
          convert(static_cast<std::uint8_t>(lead), static_cast<std::uint8_t>(trail));
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
