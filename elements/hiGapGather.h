// Gathers the pieces of an answer of unknown length: the answer is complete once the line
// has been quiet for Gap milliseconds after its last piece. The quiet time runs on a timer
// thread of its own, and the complete answer is fired there, as one graph event.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/PeriodicTimer.h"
#include "runtime/Element.h"
#include "runtime/Points.h"

namespace hi {

class THIGapGather : public Element {
 public:
  THIGapGather();
  // Cancels the quiet time and waits for its thread: nothing fires after destruction.
  ~THIGapGather() override;

  std::int32_t Gap = 100;          // ms of quiet after the last piece
  std::int32_t MaxLength = 4096;  // an answer this long is complete at once

  EventPoint onAnswer;  // the gathered pieces as one text

  // Appends the event's text and starts the quiet time again. Empty text is no piece.
  void doAdd(TData& d);
  // The answer is complete now: fires what was gathered, if anything.
  void doFlush(TData& d);
  // Forgets the pieces and cancels the quiet time.
  void doClear(TData& d);

  bool gathering() const { return timer_.running(); }

 private:
  static void quiet(void* self, std::uint64_t run, std::chrono::nanoseconds late);
  // Ends the quiet time and hands over what was gathered; false when nothing was.
  bool take(std::string& answer);

  std::string gathered_;  // touched only inside graph events
  std::atomic<bool> cancel_{false};
  PeriodicTimer timer_;  // last: its thread goes before the state it uses
};

}  // namespace hi
