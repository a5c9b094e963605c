#include "platform/PeriodicTimer.h"

#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <ctime>
#include <system_error>
#include <thread>

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

timespec toTimespec(std::uint64_t counter) {
  const std::uint64_t perSecond = monotonicFrequency();
  return timespec{static_cast<std::time_t>(counter / perSecond),
                  static_cast<long>((counter % perSecond) * 1'000'000'000 / perSecond)};
}

}  // namespace

struct PeriodicTimer::Impl {
  Impl(Callback cb, void* ctx) : callback(cb), context(ctx) {
    pthread_mutex_init(&mutex, nullptr);
    // The deadlines are counter values of the monotonic clock: the wait must use that clock.
    pthread_condattr_t attr;
    pthread_condattr_init(&attr);
    pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
    pthread_cond_init(&wake, &attr);
    pthread_condattr_destroy(&attr);
  }
  ~Impl() {
    pthread_cond_destroy(&wake);
    pthread_mutex_destroy(&mutex);
  }
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  void run();

  Callback callback;
  void* context;
  pthread_mutex_t mutex;
  pthread_cond_t wake;
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
  Locked lock(t.mutex);
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
  pthread_cond_signal(&t.wake);
  return true;
}

void PeriodicTimer::stop() {
  Impl& t = *impl_;
  Locked lock(t.mutex);
  if (!t.running) return;
  t.running = false;
  pthread_cond_signal(&t.wake);
}

bool PeriodicTimer::running() const {
  Impl& t = *impl_;
  Locked lock(t.mutex);
  return t.running;
}

bool PeriodicTimer::isCurrent(std::uint64_t run) const {
  Impl& t = *impl_;
  Locked lock(t.mutex);
  return t.running && t.runId == run;
}

bool PeriodicTimer::busy() const {
  return impl_->busy.load(std::memory_order_acquire);
}

void PeriodicTimer::shutdown() {
  Impl& t = *impl_;
  {
    Locked lock(t.mutex);
    t.quit = true;
    t.running = false;
    pthread_cond_signal(&t.wake);
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
  pthread_mutex_lock(&mutex);
  while (!quit) {
    if (!running) {
      pthread_cond_wait(&wake, &mutex);
      continue;
    }
    const std::uint64_t id = runId;
    const std::uint64_t due = deadline;
    if (monotonicCounter() < due) {
      const timespec until = toTimespec(due);
      pthread_cond_timedwait(&wake, &mutex, &until);
      continue;  // look again: stopped, restarted, quitting, or due
    }
    busy.store(true, std::memory_order_release);
    pthread_mutex_unlock(&mutex);
    callback(context, id, counterSpan(monotonicCounter() - due, monotonicFrequency()));
    pthread_mutex_lock(&mutex);
    busy.store(false, std::memory_order_release);
    if (running && runId == id) deadline = nextTickDeadline(due, period, monotonicCounter());
  }
  pthread_mutex_unlock(&mutex);
  finished.store(true, std::memory_order_release);
  EventGate::instance().notify();
}

}  // namespace hi
