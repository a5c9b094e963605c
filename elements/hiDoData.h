// Replaces the event's value by a read value or a constant and sends it on.
#pragma once

#include "runtime/Share.h"

namespace hi {

class THIDoData : public Element {
 public:
  TData Data;  // the constant to send when the input gives nothing
  EventPoint inData;
  EventPoint onEventData;

  void doData(TData& d);
};

}  // namespace hi
