// Compares two values and passes the event on one of two ways.
#pragma once

#include <cstdint>

#include "runtime/Share.h"

namespace hi {

class THIIf_else : public Element {
 public:
  std::uint8_t Type = 0;  // comparison mode 0..5 (=, <, >, <=, >=, <>)
  TData Op1;
  TData Op2;
  EventPoint inOp2;
  EventPoint inOp1;
  EventPoint onTrue;
  EventPoint onFalse;

  void doCompare(TData& d);
};

}  // namespace hi
