#include "platform/runtime/SysUtils.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>

std::string IntToStr(std::int64_t value) { return std::to_string(value); }

std::string IntToHex(std::int64_t value, int digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  auto bits = static_cast<std::uint64_t>(value);
  std::string out;
  do {
    out.insert(out.begin(), kDigits[bits & 0xF]);
    bits >>= 4;
  } while (bits != 0);
  if (static_cast<int>(out.size()) < digits) out.insert(0, digits - out.size(), '0');
  return out;
}

std::int32_t StrToInt(const std::string& text) {
  const char* first = text.data();
  const char* last = first + text.size();
  const bool negative = first != last && *first == '-';
  if (first != last && (*first == '-' || *first == '+')) ++first;
  if (first != last && *first >= '0' && *first <= '9') {
    std::int64_t magnitude = 0;
    auto [end, error] = std::from_chars(first, last, magnitude, 10);
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (error == std::errc() && end == last && value >= INT32_MIN && value <= INT32_MAX) {
      return static_cast<std::int32_t>(value);
    }
  }
  throw EConvertError("'" + text + "' is not a valid integer value");
}

std::string UpperCase(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

int CompareText(const std::string& a, const std::string& b) {
  const std::string ua = UpperCase(a);
  const std::string ub = UpperCase(b);
  // Bytes compare as unsigned, so texts order the same on every platform.
  const int c = std::memcmp(ua.data(), ub.data(), std::min(ua.size(), ub.size()));
  if (c != 0) return c;
  return ua.size() < ub.size() ? -1 : (ua.size() > ub.size() ? 1 : 0);
}
