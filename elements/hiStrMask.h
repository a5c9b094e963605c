// Tests a text against a wildcard mask ("#" a digit, "?" any character, "*" any run).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/Element.h"
#include "runtime/Points.h"

namespace hi {

class THIStrMask : public Element {
 public:
  std::string Mask;
  std::uint8_t IgnoreCase = 0;  // 1: both sides lowered (code page 1251) before matching

  EventPoint onTrue;
  EventPoint onFalse;
  EventPoint inText;  // no fallback: unconnected, the event's own value

  void doCompare(TData& d);
  // The mask becomes the text form of the event's value; nothing fires.
  void doMask(TData& d);
};

// Whether `text` matches `mask` as a whole. Both are compared as given (the element appends
// its end marker and lowers them before calling).
bool maskMatches(std::string_view text, std::string_view mask);

}  // namespace hi
