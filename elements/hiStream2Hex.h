// Renders the bytes of a text as upper-case hexadecimal digits, two per byte.
#pragma once

#include "runtime/Element.h"
#include "runtime/Points.h"

namespace hi {

class THIStream2Hex : public Element {
 public:
  EventPoint onResult;
  EventPoint inData;  // no fallback: unconnected, the event's own value

  void doConvert(TData& d);
};

}  // namespace hi
