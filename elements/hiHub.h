// Joins several inputs and splits into several outputs: whatever input fires, every output
// fires in index order with its own copy of the value.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/Share.h"

namespace hi {

class THIHub : public Element {
 public:
  std::uint8_t OutCount = 0;
  std::uint8_t InCount = 0;  // for the wiring only
  std::vector<EventPoint> onEvent;

  // The array gets n entries; OutCount keeps the low 8 bits of n.
  void setOutCount(std::uint16_t n);

  void doEvent(TData& d, std::uint16_t index);
};

}  // namespace hi
