// Tests the event's first value against one value: a match sends DataOnTrue on onTrue,
// anything else passes the event on unchanged to the next case.
#pragma once

#include "runtime/Share.h"

namespace hi {

class THICase : public Element {
 public:
  TData DataOnTrue;
  TData Value;
  EventPoint onTrue;
  EventPoint onNextCase;

  void doCase(TData& d);
};

}  // namespace hi
