#include "platform/PeriodicTimer.h"

#include <cerrno>
#include <ctime>
#include <system_error>

#include "platform/MonotonicClock.h"
#include "runtime/EventGate.h"

namespace hi {

namespace {

class Locked {
 public:
  explicit Locked(pthread_mutex_t& m) : m_(m) { pthread_mutex_lock(&m_); }
  ~Locked() { pthread_mutex_unlock(&m_); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;

 private:
  pthread_mutex_t& m_;
};

std::atomic<bool> g_threadless{false};

timespec toTimespec(std::uint64_t counter) {
  const std::uint64_t perSecond = monotonicFrequency();
  return timespec{static_cast<std::time_t>(counter / perSecond),
                  static_cast<long>((counter % perSecond) * 1'000'000'000 / perSecond)};
}

}  // namespace

std::uint64_t nextTickDeadline(std::uint64_t previous, std::uint64_t period,
                               std::uint64_t now) noexcept {
  if (period == 0) period = 1;
  if (now <= previous + period) return previous + period;
  return previous + (now - previous + period - 1) / period * period;
}

PeriodicTimer::PeriodicTimer(Callback callback, void* context)
    : callback_(callback), context_(context) {
  pthread_mutex_init(&mutex_, nullptr);
  // The deadlines are counter values of the monotonic clock: the wait must use that clock.
  pthread_condattr_t attr;
  pthread_condattr_init(&attr);
  pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
  pthread_cond_init(&wake_, &attr);
  pthread_condattr_destroy(&attr);
}

PeriodicTimer::~PeriodicTimer() {
  shutdown();
  pthread_cond_destroy(&wake_);
  pthread_mutex_destroy(&mutex_);
}

bool PeriodicTimer::start(std::int32_t periodMs) {
  Locked lock(mutex_);
  if (quit_) return false;
  if (running_) return true;
  if (!thread_.joinable() && !g_threadless.load()) {
    try {
      thread_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
      return false;
    }
  }
  const std::uint64_t ms = periodMs < 1 ? 1 : static_cast<std::uint64_t>(periodMs);
  period_ = counterTicksForMicroseconds(ms * 1000, monotonicFrequency());
  deadline_ = monotonicCounter() + period_;
  running_ = true;
  ++run_;
  pthread_cond_signal(&wake_);
  return true;
}

void PeriodicTimer::setThreadless(bool on) {
  g_threadless.store(on);
}

void PeriodicTimer::stop() {
  Locked lock(mutex_);
  if (!running_) return;
  running_ = false;
  pthread_cond_signal(&wake_);
}

bool PeriodicTimer::running() const {
  Locked lock(mutex_);
  return running_;
}

bool PeriodicTimer::isCurrent(std::uint64_t run) const {
  Locked lock(mutex_);
  return running_ && run_ == run;
}

void PeriodicTimer::shutdown() {
  {
    Locked lock(mutex_);
    quit_ = true;
    running_ = false;
    pthread_cond_signal(&wake_);
  }
  if (!thread_.joinable()) return;
  auto& gate = EventGate::instance();
  gate.interruptWaits();
  // A tick in progress may be carrying window calls to the home thread; waiting through
  // the gate keeps serving them, where a plain join could deadlock.
  gate.waitUntil([this] { return finished_.load(std::memory_order_acquire); });
  thread_.join();
}

void PeriodicTimer::run() {
  pthread_mutex_lock(&mutex_);
  while (!quit_) {
    if (!running_) {
      pthread_cond_wait(&wake_, &mutex_);
      continue;
    }
    const std::uint64_t run = run_;
    const std::uint64_t deadline = deadline_;
    if (monotonicCounter() < deadline) {
      const timespec until = toTimespec(deadline);
      pthread_cond_timedwait(&wake_, &mutex_, &until);
      continue;  // look again: stopped, restarted, quitting, or due
    }
    busy_.store(true, std::memory_order_release);
    pthread_mutex_unlock(&mutex_);
    callback_(context_, run);
    pthread_mutex_lock(&mutex_);
    busy_.store(false, std::memory_order_release);
    if (running_ && run_ == run)
      deadline_ = nextTickDeadline(deadline, period_, monotonicCounter());
  }
  pthread_mutex_unlock(&mutex_);
  finished_.store(true, std::memory_order_release);
  EventGate::instance().notify();
}

}  // namespace hi
