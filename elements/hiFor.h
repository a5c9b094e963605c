// A counted loop: one event per loop value, then a final event.
#pragma once

#include <cstdint>

#include "runtime/Share.h"

namespace hi {

class THIFor : public Element {
 public:
  std::int32_t value = 0;     // the loop value; afterwards the value the loop ended with
  std::uint8_t stopFlag = 0;  // set by doStop, tested after every onEvent
  std::int32_t Start = 0;
  std::int32_t End = 0;
  std::int32_t Step = 0;        // its sign sets the direction; 0 runs no loop
  std::uint8_t IncludeEnd = 0;  // not 0: End itself is a loop value
  std::uint8_t InData = 0;      // 0: the event's value is dropped before Start and End are read
  std::uint8_t BreakEvent = 0;  // not 0: a stopped loop reports on onBreak
  EventPoint inEnd;
  EventPoint inStart;
  EventPoint onEvent;
  EventPoint onStop;
  EventPoint onBreak;

  void doFor(TData& d);
  // Ends the running loop after the current value; meant for onEvent's handlers.
  void doStop(TData& d);
};

}  // namespace hi
