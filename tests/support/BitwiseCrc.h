// The reflected CRC computed bit by bit, the slow and obvious way: the tests' reference for
// the table-driven code of the program.
#pragma once

#include <cstdint>
#include <string_view>

namespace hi::test {

// No final step; `crc` is the start value, or the result so far.
inline std::uint32_t bitwiseReflected(std::uint32_t poly, std::uint32_t crc, std::string_view data) {
  for (unsigned char b : data) {
    crc ^= b;
    for (int i = 0; i < 8; ++i) crc = (crc & 1u) != 0 ? (crc >> 1) ^ poly : crc >> 1;
  }
  return crc;
}

// CRC-16/MODBUS, the device's check of the upload.
inline std::uint16_t modbusCrc(std::string_view data, std::uint16_t crc = 0xFFFF) {
  return static_cast<std::uint16_t>(bitwiseReflected(0xA001, crc, data));
}

}  // namespace hi::test
