#include "elements/hiHub.h"

#include <algorithm>

namespace hi {

void THIHub::setOutCount(std::uint16_t n) {
  onEvent.resize(n);
  OutCount = static_cast<std::uint8_t>(n);
}

void THIHub::doEvent(TData& d, std::uint16_t /*index*/) {
  // Each output works on a fresh copy, so what one output's handlers do to their record
  // never reaches the next output or the caller.
  const std::size_t count = std::min<std::size_t>(OutCount, onEvent.size());
  for (std::size_t i = 0; i < count; ++i) fireCopy(onEvent[i], d);
}

}  // namespace hi
