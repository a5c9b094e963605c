// Gathers the pieces of an answer of unknown length: the answer is complete once the line
// has been quiet for Gap milliseconds after its last piece. An answer that does not yet hold
// its WholeParts parts (cut at Separator, the last one not empty) may be paused inside by the
// device or its adapter, so it is complete only after PartGap milliseconds of quiet: judged
// in halves, neither half would be the answer. The quiet time runs on a timer thread of its
// own, and the complete answer is fired there, as one graph event.
#pragma once

#include <atomic>
#include <chrono>
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
  std::string Separator;          // empty: every answer is whole
  std::int32_t WholeParts = 0;
  std::int32_t PartGap = 1000;    // ms of quiet after the last piece of an answer not whole

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
  bool whole() const;

  std::string gathered_;  // touched only inside graph events, as is lastPiece_
  std::chrono::steady_clock::time_point lastPiece_;
  std::atomic<bool> cancel_{false};
  PeriodicTimer timer_;  // last: its thread goes before the state it uses
};

}  // namespace hi
