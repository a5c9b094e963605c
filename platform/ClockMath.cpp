// Counter arithmetic shared by every system's clock and timer.
#include "platform/MonotonicClock.h"
#include "platform/PeriodicTimer.h"

namespace hi {

std::uint64_t counterTicksForMicroseconds(std::uint64_t microseconds,
                                          std::uint64_t frequency) noexcept {
  constexpr std::uint64_t PerSecond = 1'000'000;
  const std::uint64_t seconds = microseconds / PerSecond;
  const std::uint64_t rest = microseconds % PerSecond;
  return seconds * frequency + (rest * frequency + PerSecond - 1) / PerSecond;
}

std::chrono::nanoseconds counterSpan(std::uint64_t ticks, std::uint64_t frequency) noexcept {
  constexpr std::uint64_t NanosPerSecond = 1'000'000'000;
  if (frequency == 0) return std::chrono::nanoseconds(0);
  const std::uint64_t seconds = ticks / frequency;
  const std::uint64_t rest = ticks % frequency;
  return std::chrono::nanoseconds(
      static_cast<std::int64_t>(seconds * NanosPerSecond + rest * NanosPerSecond / frequency));
}

std::uint64_t nextTickDeadline(std::uint64_t previous, std::uint64_t period,
                               std::uint64_t now) noexcept {
  if (period == 0) period = 1;
  if (now <= previous + period) return previous + period;
  return previous + (now - previous + period - 1) / period * period;
}

}  // namespace hi
