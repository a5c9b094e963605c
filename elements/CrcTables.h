// CRC lookup tables, built once per (rule, polynomial) and shared by every CRC element.
#pragma once

#include <array>
#include <cstdint>

namespace hi {

enum class CrcRule : std::uint8_t {
  Reflected16,  // modes 0..2
  MsbFirst16,   // mode 3
  Reflected32,  // mode 4
};

struct CrcTable {
  CrcRule rule;
  std::uint32_t polynomial;
  std::array<std::uint32_t, 256> entries;
};

void buildCrcTable(CrcRule rule, std::uint32_t polynomial, std::array<std::uint32_t, 256>& out);

// The shared immutable table for (rule, polynomial); it lives as long as the process.
// Null once the cache is full: a graph that feeds ever new polynomials then builds its
// tables itself rather than growing memory without bound.
const CrcTable* sharedCrcTable(CrcRule rule, std::uint32_t polynomial);

}  // namespace hi
