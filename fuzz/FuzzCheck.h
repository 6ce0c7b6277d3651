// What the fuzz targets share: a check that stops the run with the broken
// invariant named (libFuzzer then keeps the input that broke it), a reader
// that splits one fuzz input into the pieces a target needs, and a UTF-8
// validator.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

#define FUZZ_CHECK(condition)                                                                \
  do {                                                                                       \
    if (!(condition)) {                                                                      \
      std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                          \
    }                                                                                        \
  } while (false)

namespace fuzz {

// Takes an input apart from the front: single bytes for choices, then
// pieces whose length is the next byte, then the rest. Past the end every
// read gives zeros or nothing.
class InputReader {
 public:
  InputReader(const std::uint8_t* data, std::size_t size) : bytes_(data, size) {}

  std::uint8_t Byte() { return at_ < bytes_.size() ? bytes_[at_++] : 0; }
  bool Empty() const { return at_ >= bytes_.size(); }

  // A piece of at most max bytes, its length taken from the input.
  std::span<const std::uint8_t> Piece(std::size_t max = 255) { return Take(Byte() % (max + 1)); }
  std::string Text(std::size_t max = 255) {
    const auto piece = Piece(max);
    return std::string(piece.begin(), piece.end());
  }
  std::span<const std::uint8_t> Rest() { return Take(bytes_.size() - at_); }

 private:
  std::span<const std::uint8_t> Take(std::size_t count) {
    count = std::min(count, bytes_.size() - at_);
    const auto piece = bytes_.subspan(at_, count);
    at_ += count;
    return piece;
  }

  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

// Well-formed UTF-8: shortest forms only, no surrogates, nothing above U+10FFFF.
inline bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    char32_t c = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2, c = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, c = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, c = lead & 0x07;
    } else {
      return false;
    }
    if (i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      c = c << 6 | (next & 0x3F);
    }
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kSmallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

}  // namespace fuzz
