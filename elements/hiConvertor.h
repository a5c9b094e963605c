// Turns an integer into text: mode 4 one character of that code, mode 6 hexadecimal digits.
#pragma once

#include <cstdint>

#include "runtime/Element.h"
#include "runtime/Points.h"

namespace hi {

class THIConvertor : public Element {
 public:
  static constexpr std::int32_t ModeCharacter = 4;
  static constexpr std::int32_t ModeHex = 6;

  std::int32_t Mode = 0;    // only 4 and 6 convert; any other mode fires nothing
  std::int32_t Digits = 0;  // mode 6: minimum digit count, taken modulo 16

  EventPoint onResult;
  EventPoint inData;  // integer, fallback 0: unconnected, the event's own value

  void doConvert(TData& d);
};

}  // namespace hi
