#include "platform/MonotonicClock.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace hi {

namespace {

// Fixed at boot; on every system since Windows XP the query cannot fail.
std::uint64_t queryFrequency() noexcept {
  LARGE_INTEGER f{};
  ::QueryPerformanceFrequency(&f);
  return f.QuadPart > 0 ? static_cast<std::uint64_t>(f.QuadPart) : 1;
}

}  // namespace

std::uint64_t monotonicCounter() noexcept {
  LARGE_INTEGER c{};
  ::QueryPerformanceCounter(&c);
  return static_cast<std::uint64_t>(c.QuadPart);
}

std::uint64_t monotonicFrequency() noexcept {
  static const std::uint64_t frequency = queryFrequency();
  return frequency;
}

void sleepUntilCounter(std::uint64_t counter) noexcept {
  // Sleep may end a clock tick early (the default tick is 15.6 ms): look again each time.
  for (;;) {
    const std::uint64_t now = monotonicCounter();
    if (now >= counter) return;
    const std::uint64_t f = monotonicFrequency();
    const std::uint64_t ticks = counter - now;
    const std::uint64_t ms = ticks / f * 1000 + ticks % f * 1000 / f + 1;
    ::Sleep(ms > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(ms));
  }
}

}  // namespace hi
