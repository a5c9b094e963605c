// Tells, once a block is on the wire, whether a whole block of the image is left: then the
// device owes a block reply, otherwise the end reply.
#pragma once

#include <cstdint>

#include "runtime/Share.h"

namespace hi {

class THIBlockGuard : public Element {
 public:
  static constexpr std::uint32_t BlockSize = 256;

  EventPoint inStream;  // the image
  EventPoint onMore;    // a whole block is left: the event goes on
  EventPoint onEnd;     // the image is used up: the event goes here

  void doCheck(TData& d);
};

}  // namespace hi
