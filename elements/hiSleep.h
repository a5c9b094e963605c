// Holds the flow of an event for Delay microseconds, then passes the event on unchanged.
#pragma once

#include <cstdint>

#include "runtime/Element.h"
#include "runtime/Points.h"

namespace hi {

class THISleep : public Element {
 public:
  std::int32_t Delay = 0;  // microseconds; a negative delay does not wait

  EventPoint onSleep;

  // Blocks the calling thread (sleeping, not spinning) until more than Delay microseconds
  // have passed on the monotonic clock, then fires onSleep with the very record it got.
  void doSleep(TData& d);
};

}  // namespace hi
