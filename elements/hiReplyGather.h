// Gathers the pieces of a reply whose every byte is known in advance, and judges it the
// moment it is complete. A serial line hands a reply over in pieces split anywhere; the
// reply is whole when the gathered text equals the expected one, and wrong as soon as it can
// no longer become it (a wrong byte, or one too many), so no piece waits for a timeout.
#pragma once

#include <string>

#include "runtime/Element.h"
#include "runtime/Points.h"

namespace hi {

class THIReplyGather : public Element {
 public:
  EventPoint onReply;  // the complete reply, equal to the expected one
  EventPoint onWrong;  // the gathered text that can no longer become the expected reply

  // Appends the event's text. Fires onReply or onWrong once the reply is judged, and then
  // expects nothing more; while nothing is expected, the text is dropped.
  void doAdd(TData& d);
  // The text form of the event's value becomes the expected reply; pieces gathered before
  // are forgotten. An empty text expects nothing.
  void doExpect(TData& d);
  // Expects nothing more and forgets what was gathered.
  void doClear(TData& d);

  bool expecting() const { return !expected_.empty(); }

 private:
  std::string expected_;
  std::string gathered_;
};

}  // namespace hi
