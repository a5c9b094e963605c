// The lock and wake-up of a periodic timer's thread: the part that differs between systems.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>

namespace hi {

class TimerWake {
 public:
  // A `due` that never comes: wait until woken.
  static constexpr std::uint64_t Never = std::numeric_limits<std::uint64_t>::max();

  TimerWake();
  ~TimerWake();
  TimerWake(const TimerWake&) = delete;
  TimerWake& operator=(const TimerWake&) = delete;

  void lock();
  void unlock();
  // With the lock held: lets it go and sleeps until wake(), or until the monotonic counter
  // reaches `due`, then takes it again. Never ends late on purpose, but may end early or for
  // no reason: the caller looks at its state and the counter again.
  void wait(std::uint64_t due);
  void wake();

  // Asks the system for a scheduler tick fine enough for millisecond periods while `on`.
  // Calls must pair up: every true with a later false.
  static void fineTick(bool on);

 private:
  struct Native;
  std::unique_ptr<Native> native_;
};

}  // namespace hi
