// An integer that steps up or down by a fixed amount and, past one limit, jumps to the
// other.
#pragma once

#include <cstdint>

#include "runtime/Share.h"

namespace hi {

class THICounter : public Element {
 public:
  std::int32_t count = 0;
  std::int32_t Min = 0;
  std::int32_t Max = 0;
  std::int32_t Step = 0;
  std::uint8_t Direction = 0;  // 0 counts up, anything else down
  EventPoint onNext;

  // The initial count.
  void setDefault(std::int32_t value) { count = value; }

  // Steps (wrapping in 32 bits), jumps to the opposite limit past one, forwards the count.
  void doNext(TData& d);
  // Back to Min (up) or Max (down); fires nothing.
  void doReset(TData& d);
  void Count(TData& d, std::uint16_t index);
};

}  // namespace hi
