// Code page 949 through glibc's iconv ("CP949"). The double-byte table is
// built once, on first use, so lookups are lock-free and need no iconv state.
#include <errno.h>
#include <iconv.h>

#include <array>
#include <cstring>
#include <stdexcept>
#include <string>

#include "platform/runtime/CodePage.h"

namespace {

constexpr unsigned kFirstLead = 0x81;
constexpr unsigned kLeadCount = 0xFE - kFirstLead + 1;

// One UTF-32 character per lead/trail pair; 0 where the pair is no character.
using TPairTable = std::array<char32_t, kLeadCount * 256>;

char32_t ConvertPair(iconv_t cd, std::uint8_t lead, std::uint8_t trail) {
  char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
  unsigned char out[8] = {};  // room for two characters, to see if iconv makes more than one
  char* inp = in;
  char* outp = reinterpret_cast<char*>(out);
  std::size_t inLeft = sizeof in;
  std::size_t outLeft = sizeof out;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
  const std::size_t done = iconv(cd, &inp, &inLeft, &outp, &outLeft);
  // Exactly one character from both bytes; anything else (an invalid or
  // incomplete pair, a lead that iconv took for a one-byte character) is none.
  if (done == static_cast<std::size_t>(-1) || inLeft != 0 || outLeft != sizeof out - 4) return 0;
  return char32_t{out[0]} | char32_t{out[1]} << 8 | char32_t{out[2]} << 16 | char32_t{out[3]} << 24;
}

TPairTable BuildTable() {
  iconv_t cd = iconv_open("UTF-32LE", "CP949");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    throw std::runtime_error(std::string("iconv_open(UTF-32LE, CP949) failed: ") +
                             std::strerror(errno));
  }
  TPairTable table{};
  for (unsigned lead = kFirstLead; lead <= 0xFE; ++lead) {
    for (unsigned trail = 0; trail <= 0xFF; ++trail) {
      table[(lead - kFirstLead) * 256 + trail] =
          ConvertPair(cd, static_cast<std::uint8_t>(lead), static_cast<std::uint8_t>(trail));
    }
  }
  iconv_close(cd);
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
