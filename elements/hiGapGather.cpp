#include "elements/hiGapGather.h"

#include "elements/GateEndWait.h"
#include "runtime/EventGate.h"

namespace hi {

THIGapGather::THIGapGather() : timer_(&THIGapGather::quiet, this, &gateEndWait()) {}

THIGapGather::~THIGapGather() {
  cancel_.store(true);
  timer_.shutdown();
}

void THIGapGather::doAdd(TData& d) {
  const std::string piece = toString(d);
  if (piece.empty()) return;
  gathered_ += piece;
  lastPiece_ = std::chrono::steady_clock::now();
  if (MaxLength > 0 && gathered_.size() >= static_cast<std::size_t>(MaxLength)) {
    doFlush(d);
    return;
  }
  // A new run of the timer: a quiet time that was about to end is forgotten.
  timer_.stop();
  timer_.start(Gap);
}

bool THIGapGather::take(std::string& answer) {
  timer_.stop();
  if (gathered_.empty()) return false;
  answer = std::move(gathered_);
  gathered_.clear();
  return true;
}

bool THIGapGather::whole() const {
  if (Separator.empty() || WholeParts <= 1) return true;
  std::int32_t parts = 1;
  for (std::size_t at = gathered_.find(Separator); at != std::string::npos;
       at = gathered_.find(Separator, at + Separator.size())) {
    ++parts;
  }
  return parts >= WholeParts && !gathered_.ends_with(Separator);
}

void THIGapGather::doFlush(TData& d) {
  std::string answer;
  if (take(answer)) forwardString(d, onAnswer, answer);
}

void THIGapGather::doClear(TData&) {
  timer_.stop();
  gathered_.clear();
}

void THIGapGather::quiet(void* self, std::uint64_t run, std::chrono::nanoseconds) {
  auto* gather = static_cast<THIGapGather*>(self);
  // A piece that came while this tick waited for the graph started a new run: then the
  // line was not quiet after all.
  EventScope scope(&gather->cancel_);
  if (!scope || !gather->timer_.isCurrent(run)) return;
  // The timer goes on ticking every Gap until the part gap has passed too.
  if (!gather->whole() &&
      std::chrono::steady_clock::now() - gather->lastPiece_ <
          std::chrono::milliseconds(gather->PartGap)) {
    return;
  }
  std::string answer;
  if (gather->take(answer)) fireString(gather->onAnswer, answer);
}

}  // namespace hi
