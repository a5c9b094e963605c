#include "platform/TimerWake.h"

#include <condition_variable>
#include <mutex>

#include "platform/MonotonicClock.h"

namespace hi {

// The standard mutex and condition variable: glibc's timed wait runs on CLOCK_MONOTONIC,
// the clock that the counter reads, so a deadline is kept to the nanosecond.
struct TimerWake::Native {
  std::mutex mutex;
  std::condition_variable wake;
};

TimerWake::TimerWake() : native_(std::make_unique<Native>()) {}
TimerWake::~TimerWake() = default;

void TimerWake::lock() {
  native_->mutex.lock();
}

void TimerWake::unlock() {
  native_->mutex.unlock();
}

void TimerWake::wait(std::uint64_t due) {
  std::unique_lock lock(native_->mutex, std::adopt_lock);
  if (due == Never) {
    native_->wake.wait(lock);
  } else {
    const std::uint64_t now = monotonicCounter();
    if (now < due) native_->wake.wait_for(lock, counterSpan(due - now, monotonicFrequency()));
  }
  lock.release();  // the caller still holds it
}

void TimerWake::wake() {
  native_->wake.notify_one();
}

void TimerWake::fineTick(bool) {
  // Linux wakes sleeping threads on high-resolution timers: always fine.
}

}  // namespace hi
