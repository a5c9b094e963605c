#include "platform/PeriodicTimer.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <timeapi.h>  // after windows.h, which it needs

#include <atomic>
#include <system_error>
#include <thread>

#include "platform/MonotonicClock.h"
#include "runtime/EventGate.h"

namespace hi {

namespace {

class Locked {
 public:
  explicit Locked(SRWLOCK& lock) : lock_(lock) { ::AcquireSRWLockExclusive(&lock_); }
  ~Locked() { ::ReleaseSRWLockExclusive(&lock_); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;

 private:
  SRWLOCK& lock_;
};

// Whole milliseconds until `due`, rounded up: the wait may end late, never early.
DWORD msUntil(std::uint64_t due, std::uint64_t now) {
  const std::uint64_t f = monotonicFrequency();
  const std::uint64_t ticks = due - now;
  const std::uint64_t ms = ticks / f * 1000 + (ticks % f * 1000 + f - 1) / f;
  return ms >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(ms);
}

}  // namespace

// The ticks come from a thread of the timer's own rather than from timeSetEvent: the
// deadlines are absolute on the performance counter, a tick that falls due while the
// callback runs is dropped instead of queued, and stop() can promise that no tick begins
// after it returns.
struct PeriodicTimer::Impl {
  Impl(Callback cb, void* ctx) : callback(cb), context(ctx) {}
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  void run();

  Callback callback;
  void* context;
  SRWLOCK lock = SRWLOCK_INIT;
  CONDITION_VARIABLE wake = CONDITION_VARIABLE_INIT;
  std::thread thread;
  bool running = false;
  bool quit = false;
  std::uint64_t runId = 0;
  std::uint64_t period = 0;    // counter ticks
  std::uint64_t deadline = 0;  // counter value of the next tick
  std::atomic<bool> busy{false};
  std::atomic<bool> finished{false};
};

PeriodicTimer::PeriodicTimer(Callback callback, void* context)
    : impl_(std::make_unique<Impl>(callback, context)) {}

PeriodicTimer::~PeriodicTimer() {
  shutdown();
}

bool PeriodicTimer::start(std::int32_t periodMs) {
  Impl& t = *impl_;
  Locked lock(t.lock);
  if (t.quit) return false;
  if (t.running) return true;
  if (!t.thread.joinable() && !threadless()) {
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
  ::WakeConditionVariable(&t.wake);
  return true;
}

void PeriodicTimer::stop() {
  Impl& t = *impl_;
  Locked lock(t.lock);
  if (!t.running) return;
  t.running = false;
  ::WakeConditionVariable(&t.wake);
}

bool PeriodicTimer::running() const {
  Impl& t = *impl_;
  Locked lock(t.lock);
  return t.running;
}

bool PeriodicTimer::isCurrent(std::uint64_t run) const {
  Impl& t = *impl_;
  Locked lock(t.lock);
  return t.running && t.runId == run;
}

bool PeriodicTimer::busy() const {
  return impl_->busy.load(std::memory_order_acquire);
}

void PeriodicTimer::shutdown() {
  Impl& t = *impl_;
  {
    Locked lock(t.lock);
    t.quit = true;
    t.running = false;
    ::WakeConditionVariable(&t.wake);
  }
  if (!t.thread.joinable()) return;
  auto& gate = EventGate::instance();
  gate.interruptWaits();
  // A tick in progress may be carrying window calls to the home thread; waiting through
  // the gate keeps serving them, where a plain join could deadlock.
  gate.waitUntil([&t] { return t.finished.load(std::memory_order_acquire); });
  t.thread.join();
}

void PeriodicTimer::Impl::run() {
  // Windows wakes sleeping threads on its clock tick, 15.6 ms unless someone asks for
  // finer. Asked for only while ticking: the finer tick costs a laptop's battery.
  bool fineTick = false;
  ::AcquireSRWLockExclusive(&lock);
  while (!quit) {
    if (running != fineTick) {
      fineTick = running;
      if (fineTick) {
        ::timeBeginPeriod(1);
      } else {
        ::timeEndPeriod(1);
      }
    }
    if (!running) {
      ::SleepConditionVariableSRW(&wake, &lock, INFINITE, 0);
      continue;
    }
    const std::uint64_t id = runId;
    const std::uint64_t due = deadline;
    const std::uint64_t now = monotonicCounter();
    if (now < due) {
      ::SleepConditionVariableSRW(&wake, &lock, msUntil(due, now), 0);
      continue;  // look again: stopped, restarted, quitting, or due
    }
    busy.store(true, std::memory_order_release);
    ::ReleaseSRWLockExclusive(&lock);
    callback(context, id, counterSpan(monotonicCounter() - due, monotonicFrequency()));
    ::AcquireSRWLockExclusive(&lock);
    busy.store(false, std::memory_order_release);
    if (running && runId == id) deadline = nextTickDeadline(due, period, monotonicCounter());
  }
  ::ReleaseSRWLockExclusive(&lock);
  if (fineTick) ::timeEndPeriod(1);
  finished.store(true, std::memory_order_release);
  EventGate::instance().notify();
}

}  // namespace hi
