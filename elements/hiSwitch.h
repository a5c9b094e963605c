// Toggles between two values on every event.
#pragma once

#include <cstdint>

#include "runtime/Share.h"

namespace hi {

class THISwitch : public Element {
 public:
  std::uint8_t state = 0;  // 0 off, 1 on
  TData current;
  TData DataOn;
  TData DataOff;
  EventPoint inDataOff;
  EventPoint inDataOn;
  EventPoint onOff;
  EventPoint onOn;
  EventPoint onSwitch;

  // Set after DataOn and DataOff: 0 starts on with DataOn, anything else off with DataOff.
  void setDefault(std::uint8_t value);

  void doSwitch(TData& d);
  void State(TData& d, std::uint16_t index);
};

}  // namespace hi
