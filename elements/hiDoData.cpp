#include "elements/hiDoData.h"

namespace hi {

void THIDoData::doData(TData& d) {
  makeNull(d);  // the incoming value and its chain are dropped
  const TData v = readValue(d, inData, &Data);
  forwardTo(d, onEventData, v);
}

}  // namespace hi
