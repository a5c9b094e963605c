// A periodic tick from the system timer, on the timer's own thread, that may stop itself
// after a number of ticks. Ticks run one at a time, each as one graph event.
//
// A tick stands for a whole period in which nothing else happened in the graph. So a tick
// is dropped, not delivered late, when it falls due while the previous tick is still busy,
// or while another graph event runs, or when another event ends after it fell due and
// before it got its turn. The upload's watchdog relies on this: a reply resets its silence
// count at the very end of its event, and a tick that had waited behind that event would
// count as a silent second right after the reset, so the failure would come up to a
// period early.
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

  // Starts or stops the system timer at once, without touching the count or firing.
  void setEnabled(bool enabled);

  EventPoint onTimer;
  EventPoint onStop;

  // Reloads the count from AutoStop; starts the timer if it is stopped, else keeps its period.
  void doStart(TData& d);
  // Stops the timer and fires onStop, even when it was not running.
  void doStop(TData& d);

  bool running() const { return timer_.running(); }
  // A tick is being handled or is waiting for its turn in the graph.
  bool busy() const { return timer_.busy(); }

 private:
  static void tick(void* self, std::uint64_t run, std::chrono::nanoseconds late);

  std::atomic<std::int32_t> remaining_{0};
  std::atomic<bool> cancel_{false};
  PeriodicTimer timer_;  // last: its thread goes before the state it uses
};

}  // namespace hi
