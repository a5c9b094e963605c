// A periodic tick from the system timer, on the timer's own thread, that may stop itself
// after a number of ticks. Ticks run one at a time, each as one graph event; a tick that
// falls due while the previous one is still busy is dropped.
//
// With QuietTicks set, a tick stands for a whole period without a sign of life (doAlive):
// it is dropped, not delivered late, when a sign of life came after it fell due and before
// it got its turn. The upload's watchdog relies on this: a reply resets its silence count at
// the very end of its event, and a tick that had waited behind that event would count as a
// silent second right after the reset. Only what the graph calls a sign of life counts:
// events that bring nothing (a line that keeps signalling with nothing to read, window
// calls) must not hold the watchdog off. A plain delay must not use it: on a busy line (a
// device that talks while it starts) its tick would be dropped again and again.
//
// With Urgent set, a tick that the graph keeps waiting for a whole period ends the blocking
// call of the event in its way (a read or write on a line whose driver stalls; see
// BlockingCall) and is then delivered, whatever QuietTicks says: that event was no sign of
// life. The watchdog so fires even when the line hangs inside an event.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

#include "platform/PeriodicTimer.h"
#include "runtime/Element.h"
#include "runtime/Points.h"

namespace hi {

class THIMMTimer : public Element {
 public:
  THIMMTimer();
  // Stops the timer and waits for its thread, so no tick fires after destruction.
  ~THIMMTimer() override;

  std::int32_t Interval = 1000;  // ms; takes effect at the next start
  std::int32_t Resolution = 0;   // ms; the POSIX timer is always as fine as it can be
  std::int32_t AutoStop = 0;     // ticks after doStart until the timer stops itself; 0: never
  std::int32_t QuietTicks = 0;   // 1: drop a tick that a sign of life overtook
  std::int32_t Urgent = 0;       // 1: a tick kept waiting a period ends the call in its way

  // Starts or stops the system timer at once, without touching the count or firing.
  void setEnabled(bool enabled);

  EventPoint onTimer;
  EventPoint onStop;

  // Reloads the count from AutoStop; starts the timer if it is stopped, else keeps its period.
  void doStart(TData& d);
  // Stops the timer and fires onStop, even when it was not running.
  void doStop(TData& d);
  // A sign of life now: with QuietTicks, a tick that fell due before it is dropped.
  void doAlive(TData& d);

  bool running() const { return timer_.running(); }
  // A tick is being handled or is waiting for its turn in the graph.
  bool busy() const { return timer_.busy(); }

 private:
  static void tick(void* self, std::uint64_t run, std::chrono::nanoseconds late);

  std::atomic<std::int32_t> remaining_{0};
  std::atomic<bool> cancel_{false};
  std::chrono::steady_clock::time_point alive_{};  // touched only inside graph events
  PeriodicTimer timer_;  // last: its thread goes before the state it uses
};

}  // namespace hi
