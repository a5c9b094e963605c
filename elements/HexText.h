// The graph's hexadecimal text rules, shared by the CRC and the converter.
#pragma once

#include <cstdint>
#include <string_view>

namespace hi {

// An optional leading "$", then hex digits of either case up to the first other character.
// Only the last 8 digits survive; an empty text or a non-digit start reads as 0.
std::uint32_t readHex(std::string_view text) noexcept;

// Writes `value` in upper-case hex, with as many digits as it needs but at least
// `minDigits` (1..8), padded with leading zeros. Returns the number of characters written
// to `out`, which must hold 8.
std::size_t writeHex(std::uint32_t value, int minDigits, char* out) noexcept;

}  // namespace hi
