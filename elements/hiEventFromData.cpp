#include "elements/hiEventFromData.h"

#include <utility>

namespace hi {

THIEventFromData::~THIEventFromData() {
  freeChain(stored_);
}

void THIEventFromData::doData(TData& d) {
  const TData v = readValueChain(d, inData, nullptr);
  // Copy before freeing: the new value may be one this element gave out, whose chain
  // records are still the stored ones.
  TData copy;
  copyChain(copy, v);
  freeChain(stored_);
  stored_ = std::move(copy);
}

void THIEventFromData::GetData(TData& d, std::uint16_t /*index*/) {
  fireEvent(onEvent, d);
  d = stored_;
}

}  // namespace hi
