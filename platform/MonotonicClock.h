// The high-resolution monotonic counter and waiting on it.
#pragma once

#include <chrono>
#include <cstdint>

namespace hi {

// Counts of the monotonic clock (it never jumps with the wall clock) and their frequency.
std::uint64_t monotonicCounter() noexcept;
std::uint64_t monotonicFrequency() noexcept;

// Counter ticks that span at least `microseconds` at `frequency` ticks per second, exact
// for any frequency (rounded up, never truncated to whole ticks per microsecond).
std::uint64_t counterTicksForMicroseconds(std::uint64_t microseconds,
                                          std::uint64_t frequency) noexcept;

// The time that `ticks` counts span at `frequency` ticks per second (rounded down).
std::chrono::nanoseconds counterSpan(std::uint64_t ticks, std::uint64_t frequency) noexcept;

// Sleeps until the counter has reached `counter`; returns at once if it already has.
void sleepUntilCounter(std::uint64_t counter) noexcept;

}  // namespace hi
