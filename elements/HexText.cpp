#include "elements/HexText.h"

namespace hi {

namespace {

int hexDigit(char c) noexcept {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::uint32_t readHex(std::string_view text) noexcept {
  std::size_t i = (!text.empty() && text[0] == '$') ? 1 : 0;
  std::uint32_t value = 0;
  for (; i < text.size(); ++i) {
    const int digit = hexDigit(text[i]);
    if (digit < 0) break;
    value = (value << 4) | static_cast<std::uint32_t>(digit);
  }
  return value;
}

std::size_t writeHex(std::uint32_t value, int minDigits, char* out) noexcept {
  static constexpr char digits[] = "0123456789ABCDEF";
  int count = 1;
  while (count < 8 && (value >> (4 * count)) != 0) ++count;
  if (minDigits > 8) minDigits = 8;
  if (count < minDigits) count = minDigits;
  for (int i = 0; i < count; ++i) out[i] = digits[(value >> (4 * (count - 1 - i))) & 0xF];
  return static_cast<std::size_t>(count);
}

}  // namespace hi
