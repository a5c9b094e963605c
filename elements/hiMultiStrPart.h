// Splits a text at a delimiter into a fixed number of parts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/Element.h"
#include "runtime/Points.h"

namespace hi {

class THIMultiStrPart : public Element {
 public:
  explicit THIMultiStrPart(std::int32_t count);

  std::string Char;          // the delimiter
  std::int32_t Skip = 0;     // leading parts thrown away
  const std::int32_t Count;  // kept parts and data outputs Part1..PartN, fixed at construction

  EventPoint onSplit;     // what is left after the kept parts
  EventPoint onNotFound;  // the delimiter does not occur; carries the whole text
  EventPoint inStr;       // no fallback: unconnected, the event's own value

  void doSplit(TData& d);
  // Data outputs Part1..PartN: index 0 is Part1. Kept until the next split.
  void Part(TData& d, std::uint16_t index);

 private:
  std::vector<std::string> parts_;
};

}  // namespace hi
