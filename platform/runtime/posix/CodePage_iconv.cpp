// Code page 949 through glibc's iconv ("CP949"), one conversion state for
// the whole table.
#include <errno.h>
#include <iconv.h>

#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/runtime/CodePage.h"

namespace {

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

}  // namespace

TCp949PairConverter SystemCp949Converter() {
  iconv_t cd = iconv_open("UTF-32LE", "CP949");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    throw std::runtime_error(std::string("iconv_open(UTF-32LE, CP949) failed: ") +
                             std::strerror(errno));
  }
  auto state = std::shared_ptr<void>(cd, [](void* open) { iconv_close(open); });
  return [state](std::uint8_t lead, std::uint8_t trail) {
    return ConvertPair(state.get(), lead, trail);
  };
}
