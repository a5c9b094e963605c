// A periodic system timer that calls back on a thread of its own.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

namespace hi {

// The tick deadline after `previous`: one period on, or, when the callback overran and
// later deadlines have already passed, the first one not before `now`. Ticks that fall due
// while a tick is being handled are dropped, never delivered in a burst.
std::uint64_t nextTickDeadline(std::uint64_t previous, std::uint64_t period,
                               std::uint64_t now) noexcept;

class PeriodicTimer {
 public:
  // Called on the timer's thread with the run the tick belongs to (see isCurrent) and how
  // long ago the tick fell due, measured just before the call: a loaded machine wakes the
  // thread late, and a callback that must not count time it did not see needs to know.
  using Callback = void (*)(void* context, std::uint64_t run, std::chrono::nanoseconds late);

  // How the thread that shuts the timer down waits for the timer's thread to end. A tick in
  // progress may be waiting for that very thread (for calls it carries to it, or for a lock
  // it holds), where a plain join would wait for ever; the owner of the timer knows what
  // to keep serving meanwhile.
  class EndWait {
   public:
    // Blocks until done() is true, serving what a tick may wait for. First makes the
    // tick's blocked waits look again at their cancel flags.
    virtual void waitUntil(const std::function<bool()>& done) const = 0;
    // Called on the timer's thread once done() has become true.
    virtual void notify() const = 0;

   protected:
    ~EndWait() = default;
  };

  // Without an EndWait, shutdown simply joins the thread. `endWait` must outlive the timer.
  PeriodicTimer(Callback callback, void* context, const EndWait* endWait = nullptr);
  // Stops the thread and waits for it; see shutdown.
  ~PeriodicTimer();
  PeriodicTimer(const PeriodicTimer&) = delete;
  PeriodicTimer& operator=(const PeriodicTimer&) = delete;

  // Starts ticking every `periodMs` (at least 1) from now, on absolute deadlines of the
  // monotonic clock, so the ticks do not drift. Does nothing if already running. False if
  // the timer thread cannot be started. Never waits for a tick in progress.
  bool start(std::int32_t periodMs);
  // Stops ticking. A tick that has not yet begun its callback will not be called; one that
  // is inside its callback finishes. Never waits for the timer thread, so it may be called
  // from the callback itself or while the callback waits for something the caller holds.
  void stop();
  bool running() const;
  // Whether a tick of `run` may still be delivered: the timer runs and has not been
  // restarted since. A callback that had to wait checks this before acting.
  bool isCurrent(std::uint64_t run) const;
  // Whether the timer thread is inside its callback.
  bool busy() const;

  // For a program that drives time itself (the fuzz target): timers started from now on keep
  // their state (running, run, isCurrent) but start no thread, so no tick comes by itself.
  static void setThreadless(bool on);

  // Ends the timer thread and waits until it has finished, through the EndWait if there
  // is one. A callback that waits for something must be told to give up (its cancel flag)
  // before this is called. Idempotent. Not from the callback itself: the thread cannot
  // wait for its own end.
  void shutdown();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace hi
