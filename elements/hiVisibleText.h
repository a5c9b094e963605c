// Makes a text from outside safe to show: every control character (0x00 to 0x1F, 0x7F, and
// 0x98, which code page 1251 leaves unassigned) becomes the Placeholder, so that a zero byte
// cannot cut a label short and a line end or escape cannot reach the window raw.
#pragma once

#include <string>

#include "runtime/Element.h"
#include "runtime/Points.h"

namespace hi {

class THIVisibleText : public Element {
 public:
  std::string Placeholder;  // what each control character becomes

  EventPoint onText;

  // Forwards the text form of the event's value with the control characters replaced.
  void doText(TData& d);
};

}  // namespace hi
