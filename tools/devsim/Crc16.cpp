#include "tools/devsim/Crc16.h"

namespace hi::devsim {

std::uint16_t crc16ModbusUpdate(std::uint16_t crc, std::uint8_t byte) {
  crc = static_cast<std::uint16_t>(crc ^ byte);
  for (int bit = 0; bit < 8; ++bit) {
    const bool low = (crc & 1U) != 0;
    crc = static_cast<std::uint16_t>(crc >> 1);
    if (low) crc = static_cast<std::uint16_t>(crc ^ 0xA001U);
  }
  return crc;
}

std::uint16_t crc16Modbus(const std::uint8_t* data, std::size_t size, std::uint16_t crc) {
  for (std::size_t i = 0; i < size; ++i) crc = crc16ModbusUpdate(crc, data[i]);
  return crc;
}

}  // namespace hi::devsim
