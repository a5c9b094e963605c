#include "elements/hiSwitch.h"

namespace hi {

void THISwitch::setDefault(std::uint8_t value) {
  state = value == 0 ? 1 : 0;
  current = state != 0 ? DataOn : DataOff;
  current.next = nullptr;
}

void THISwitch::doSwitch(TData& d) {
  state = state != 0 ? 0 : 1;
  current = state != 0 ? readValue(d, inDataOn, &DataOn) : readValue(d, inDataOff, &DataOff);
  d = current;
  fireEvent(onSwitch, d);
  // Whatever onSwitch's handlers did to the record, onOn/onOff get the current value.
  forwardTo(d, state != 0 ? onOn : onOff, current);
}

void THISwitch::State(TData& d, std::uint16_t /*index*/) {
  d = current;
}

}  // namespace hi
