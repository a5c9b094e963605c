#include "elements/CrcTables.h"

#include <atomic>
#include <mutex>

namespace hi {

namespace {

constexpr std::size_t CacheSlots = 32;

// Filled front to back under the mutex, read without it: a published slot never changes.
std::atomic<const CrcTable*> g_slots[CacheSlots];
std::mutex g_fill;

const CrcTable* findPublished(CrcRule rule, std::uint32_t polynomial, std::size_t& used) {
  for (used = 0; used < CacheSlots; ++used) {
    const CrcTable* table = g_slots[used].load(std::memory_order_acquire);
    if (table == nullptr) return nullptr;
    if (table->rule == rule && table->polynomial == polynomial) return table;
  }
  return nullptr;
}

}  // namespace

void buildCrcTable(CrcRule rule, std::uint32_t polynomial, std::array<std::uint32_t, 256>& out) {
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t crc = 0;
    switch (rule) {
      case CrcRule::Reflected16: {
        std::uint32_t d = i;
        for (int bit = 0; bit < 8; ++bit) {
          crc = (((d ^ crc) & 1u) != 0) ? (crc >> 1) ^ polynomial : crc >> 1;
          d >>= 1;
        }
        break;
      }
      case CrcRule::MsbFirst16: {
        std::uint32_t d = i << 8;
        for (int bit = 0; bit < 8; ++bit) {
          crc = (((d ^ crc) & 0x8000u) != 0) ? (crc << 1) ^ polynomial : crc << 1;
          d <<= 1;
        }
        break;
      }
      case CrcRule::Reflected32: {
        crc = i;
        for (int bit = 0; bit < 8; ++bit)
          crc = ((crc & 1u) != 0) ? (crc >> 1) ^ polynomial : crc >> 1;
        break;
      }
    }
    out[i] = crc;
  }
}

const CrcTable* sharedCrcTable(CrcRule rule, std::uint32_t polynomial) {
  std::size_t used = 0;
  if (const CrcTable* table = findPublished(rule, polynomial, used)) return table;
  std::lock_guard lock(g_fill);
  if (const CrcTable* table = findPublished(rule, polynomial, used)) return table;
  if (used == CacheSlots) return nullptr;
  auto* table = new CrcTable{rule, polynomial, {}};
  buildCrcTable(rule, polynomial, table->entries);
  g_slots[used].store(table, std::memory_order_release);
  return table;
}

}  // namespace hi
