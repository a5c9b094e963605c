// Sends an incoming event to the output chosen by a number read at that moment, or to every
// output; can be disabled or restricted to one input.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/Share.h"

namespace hi {

class THICommutator : public Element {
 public:
  std::uint8_t OutCount = 0;
  std::uint8_t InCount = 0;  // for the wiring only
  std::vector<EventPoint> onEvent;
  EventPoint inEnabled;  // 0 blocks every event; unconnected: 1
  EventPoint inInIndex;  // 0 or more: only that input passes; unconnected: -1
  EventPoint inIndex;    // the output to fire, negative for all; unconnected: -1

  // n > 0: the array gets n entries and OutCount the low 8 bits of n. n = 0: OutCount
  // becomes 0 and the array stays.
  void setOutCount(std::uint16_t n);

  // `index` is the number of the input that fired.
  void doWork(TData& d, std::uint16_t index);
};

}  // namespace hi
