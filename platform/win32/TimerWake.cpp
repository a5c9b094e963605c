#include "platform/TimerWake.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <timeapi.h>  // after windows.h, which it needs

#include "platform/MonotonicClock.h"

namespace hi {

namespace {

// Whole milliseconds until `due`, rounded up: the wait may end late, never early.
DWORD msUntil(std::uint64_t due, std::uint64_t now) {
  const std::uint64_t f = monotonicFrequency();
  const std::uint64_t ticks = due - now;
  const std::uint64_t ms = ticks / f * 1000 + (ticks % f * 1000 + f - 1) / f;
  return ms >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(ms);
}

}  // namespace

// Windows' own SRW lock and condition variable rather than std::condition_variable: with
// MinGW that one is winpthreads', whose timed wait came about 2 ms late on average against
// 0.2 ms for SleepConditionVariableSRW (1 ms waits under Wine), too late for 1 ms periods.
struct TimerWake::Native {
  SRWLOCK lock = SRWLOCK_INIT;
  CONDITION_VARIABLE wake = CONDITION_VARIABLE_INIT;
};

TimerWake::TimerWake() : native_(std::make_unique<Native>()) {}
TimerWake::~TimerWake() = default;

void TimerWake::lock() {
  ::AcquireSRWLockExclusive(&native_->lock);
}

void TimerWake::unlock() {
  ::ReleaseSRWLockExclusive(&native_->lock);
}

void TimerWake::wait(std::uint64_t due) {
  DWORD ms = INFINITE;
  if (due != Never) {
    const std::uint64_t now = monotonicCounter();
    if (now >= due) return;
    ms = msUntil(due, now);
  }
  ::SleepConditionVariableSRW(&native_->wake, &native_->lock, ms, 0);
}

void TimerWake::wake() {
  ::WakeConditionVariable(&native_->wake);
}

void TimerWake::fineTick(bool on) {
  // Windows wakes sleeping threads on its clock tick, 15.6 ms unless someone asks for
  // finer. Asked for only while ticking: the finer tick costs a laptop's battery.
  if (on) {
    ::timeBeginPeriod(1);
  } else {
    ::timeEndPeriod(1);
  }
}

}  // namespace hi
