#include "elements/hiMMTimer.h"

#include <algorithm>

#include "elements/GateEndWait.h"
#include "runtime/EventGate.h"

namespace hi {

THIMMTimer::THIMMTimer() : timer_(&THIMMTimer::tick, this, &gateEndWait()) {}

THIMMTimer::~THIMMTimer() {
  // A tick waiting for the graph gives up instead of firing into a graph being torn down.
  cancel_.store(true);
  timer_.shutdown();
}

void THIMMTimer::setEnabled(bool enabled) {
  if (enabled) {
    timer_.start(Interval);
  } else {
    timer_.stop();
  }
}

void THIMMTimer::doStart(TData& /*d*/) {
  remaining_.store(AutoStop);
  timer_.start(Interval);
}

void THIMMTimer::doStop(TData& /*d*/) {
  timer_.stop();
  fireNull(onStop);
}

void THIMMTimer::doAlive(TData& /*d*/) {
  alive_ = std::chrono::steady_clock::now();
}

void THIMMTimer::tick(void* self, std::uint64_t run, std::chrono::nanoseconds late) {
  auto* timer = static_cast<THIMMTimer*>(self);
  const auto dueAt = std::chrono::steady_clock::now() - late;
  // Each tick is one graph event. While it waited for its turn the timer may have been
  // stopped (by the event that held the graph) or restarted: then this tick is stale.
  bool forced = false;
  const auto lateAt = timer->Urgent != 0
                          ? dueAt + std::chrono::milliseconds(std::max<std::int32_t>(timer->Interval, 1))
                          : std::chrono::steady_clock::time_point::max();
  EventScope scope(&timer->cancel_, lateAt, forced);
  if (!scope || !timer->timer_.isCurrent(run)) return;
  // A sign of life came after this tick fell due: the period was not quiet.
  if (timer->QuietTicks != 0 && !forced && timer->alive_ > dueAt) return;
  std::int32_t remaining = timer->remaining_.load();
  if (remaining >= 0) timer->remaining_.store(--remaining);
  fireNull(timer->onTimer);
  if (timer->remaining_.load() == 0) {
    timer->timer_.stop();
    fireNull(timer->onStop);
  }
}

}  // namespace hi
