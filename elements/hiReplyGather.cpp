#include "elements/hiReplyGather.h"

namespace hi {

void THIReplyGather::doAdd(TData& d) {
  if (expected_.empty()) return;
  gathered_ += toString(d);
  if (gathered_.size() < expected_.size() &&
      expected_.compare(0, gathered_.size(), gathered_) == 0) {
    return;  // a right beginning: the rest is still on its way
  }
  const bool right = gathered_ == expected_;
  std::string reply = std::move(gathered_);
  // Judged once: whatever the handlers do, nothing gathered later belongs to this reply.
  expected_.clear();
  gathered_.clear();
  forwardString(d, right ? onReply : onWrong, reply);
}

void THIReplyGather::doExpect(TData& d) {
  expected_ = toString(d);
  gathered_.clear();
}

void THIReplyGather::doClear(TData&) {
  expected_.clear();
  gathered_.clear();
}

}  // namespace hi
