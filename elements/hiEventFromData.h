// Stores a value and turns every read of it into an event: a reader first runs onEvent,
// then gets the stored value.
#pragma once

#include <cstdint>

#include "runtime/Share.h"

namespace hi {

class THIEventFromData : public Element {
 public:
  THIEventFromData() = default;
  ~THIEventFromData() override;

  EventPoint inData;
  EventPoint onEvent;

  // Stores the input's value, or, unconnected, the event's value with its whole chain.
  void doData(TData& d);
  // Fires onEvent, then gives the stored value; its chain stays owned by this element.
  void GetData(TData& d, std::uint16_t index);

  const TData& stored() const { return stored_; }

 private:
  TData stored_;  // owns its chain records
};

}  // namespace hi
