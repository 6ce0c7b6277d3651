#include "console/protocol/ReceivedText.h"

#include "platform/runtime/CodePage.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

char32_t VisibleControl(std::uint8_t b) {
  if (b < 0x20) return 0x2400 + b;
  if (b == 0x7F) return 0x2421;
  return b;
}

std::string Decode(std::span<const std::uint8_t> bytes, bool visibleControls) {
  std::string out;
  out.reserve(bytes.size() * 3);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const std::uint8_t b = bytes[i];
    if (b < 0x80) {
      AppendUtf8(out, visibleControls ? VisibleControl(b) : b);
      continue;
    }
    if (i + 1 < bytes.size()) {
      if (const auto c = Cp949Character(b, bytes[i + 1])) {
        AppendUtf8(out, *c);
        ++i;
        continue;
      }
    }
    AppendUtf8(out, kReplacement);
  }
  return out;
}

}  // namespace

std::string DisplayText(std::span<const std::uint8_t> bytes) {
  return Decode(bytes, true);
}

std::string DecodedText(std::span<const std::uint8_t> bytes) {
  return Decode(bytes, false);
}
