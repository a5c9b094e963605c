#include "platform/MonotonicClock.h"

#include <cerrno>
#include <ctime>

namespace hi {

namespace {

constexpr std::uint64_t NanosPerSecond = 1'000'000'000;

}  // namespace

std::uint64_t monotonicCounter() noexcept {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::uint64_t>(ts.tv_sec) * NanosPerSecond +
         static_cast<std::uint64_t>(ts.tv_nsec);
}

std::uint64_t monotonicFrequency() noexcept {
  return NanosPerSecond;
}

void sleepUntilCounter(std::uint64_t counter) noexcept {
  const timespec until{static_cast<std::time_t>(counter / NanosPerSecond),
                       static_cast<long>(counter % NanosPerSecond)};
  // An absolute deadline: a signal that interrupts the sleep costs nothing on resuming.
  while (monotonicCounter() < counter) {
    const int rc = clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr);
    if (rc != 0 && rc != EINTR) break;
  }
}

}  // namespace hi
