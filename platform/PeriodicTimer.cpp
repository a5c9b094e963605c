#include "platform/PeriodicTimer.h"

#include <atomic>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/MonotonicClock.h"
#include "platform/TimerWake.h"

namespace hi {

namespace {

std::atomic<bool> g_threadless{false};

}  // namespace

// The ticks come from a thread of the timer's own rather than from a system timer
// callback: the deadlines are absolute on the monotonic counter, a tick that falls due
// while the callback runs is dropped instead of queued, and stop() can promise that no tick
// begins after it returns.
struct PeriodicTimer::Impl {
  Impl(Callback cb, void* ctx, const EndWait* ew) : callback(cb), context(ctx), endWait(ew) {}

  void run();

  Callback callback;
  void* context;
  const EndWait* endWait;
  TimerWake wake;  // guards the state below
  std::thread thread;
  bool running = false;
  bool quit = false;
  std::uint64_t runId = 0;
  std::uint64_t period = 0;    // counter ticks
  std::uint64_t deadline = 0;  // counter value of the next tick
  std::atomic<bool> busy{false};
  std::atomic<bool> finished{false};
};

PeriodicTimer::PeriodicTimer(Callback callback, void* context, const EndWait* endWait)
    : impl_(std::make_unique<Impl>(callback, context, endWait)) {}

PeriodicTimer::~PeriodicTimer() {
  shutdown();
}

void PeriodicTimer::setThreadless(bool on) {
  g_threadless.store(on);
}

bool PeriodicTimer::start(std::int32_t periodMs) {
  Impl& t = *impl_;
  std::lock_guard lock(t.wake);
  if (t.quit) return false;
  if (t.running) return true;
  if (!t.thread.joinable() && !g_threadless.load()) {
    try {
      t.thread = std::thread([&t] { t.run(); });
    } catch (const std::system_error&) {
      return false;
    }
  }
  const std::uint64_t ms = periodMs < 1 ? 1 : static_cast<std::uint64_t>(periodMs);
  t.period = counterTicksForMicroseconds(ms * 1000, monotonicFrequency());
  t.deadline = monotonicCounter() + t.period;
  t.running = true;
  ++t.runId;
  t.wake.wake();
  return true;
}

void PeriodicTimer::stop() {
  Impl& t = *impl_;
  std::lock_guard lock(t.wake);
  if (!t.running) return;
  t.running = false;
  t.wake.wake();
}

bool PeriodicTimer::running() const {
  Impl& t = *impl_;
  std::lock_guard lock(t.wake);
  return t.running;
}

bool PeriodicTimer::isCurrent(std::uint64_t run) const {
  Impl& t = *impl_;
  std::lock_guard lock(t.wake);
  return t.running && t.runId == run;
}

bool PeriodicTimer::busy() const {
  return impl_->busy.load(std::memory_order_acquire);
}

void PeriodicTimer::shutdown() {
  Impl& t = *impl_;
  {
    std::lock_guard lock(t.wake);
    t.quit = true;
    t.running = false;
    t.wake.wake();
  }
  if (!t.thread.joinable()) return;
  if (t.endWait != nullptr) {
    t.endWait->waitUntil([&t] { return t.finished.load(std::memory_order_acquire); });
  }
  t.thread.join();
}

void PeriodicTimer::Impl::run() {
  bool fineTick = false;
  std::unique_lock lock(wake);
  while (!quit) {
    if (running != fineTick) {
      fineTick = running;
      TimerWake::fineTick(fineTick);
    }
    if (!running) {
      wake.wait(TimerWake::Never);
      continue;
    }
    const std::uint64_t id = runId;
    const std::uint64_t due = deadline;
    if (monotonicCounter() < due) {
      wake.wait(due);
      continue;  // look again: stopped, restarted, quitting, or due
    }
    busy.store(true, std::memory_order_release);
    lock.unlock();
    callback(context, id, counterSpan(monotonicCounter() - due, monotonicFrequency()));
    lock.lock();
    busy.store(false, std::memory_order_release);
    if (running && runId == id) deadline = nextTickDeadline(due, period, monotonicCounter());
  }
  lock.unlock();
  if (fineTick) TimerWake::fineTick(false);
  finished.store(true, std::memory_order_release);
  if (endWait != nullptr) endWait->notify();
}

}  // namespace hi
