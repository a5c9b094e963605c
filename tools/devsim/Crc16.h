#pragma once

#include <cstddef>
#include <cstdint>

namespace hi::devsim {

// CRC-16/MODBUS, written out bit by bit on purpose: the simulator must not share a table or
// any other code with the program it checks.
std::uint16_t crc16ModbusUpdate(std::uint16_t crc, std::uint8_t byte);
std::uint16_t crc16Modbus(const std::uint8_t* data, std::size_t size, std::uint16_t crc = 0xFFFF);

}  // namespace hi::devsim
