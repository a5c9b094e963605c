#include "elements/hiSleep.h"

#include "platform/MonotonicClock.h"

namespace hi {

void THISleep::doSleep(TData& d) {
  if (Delay >= 0) {
    const std::uint64_t start = monotonicCounter();
    // The wait ends once the elapsed time exceeds Delay: one counter tick past it.
    const std::uint64_t span =
        counterTicksForMicroseconds(static_cast<std::uint64_t>(Delay), monotonicFrequency());
    sleepUntilCounter(start + span + 1);
  }
  fireEvent(onSleep, d);
}

}  // namespace hi
