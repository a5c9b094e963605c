#include "elements/hiCommutator.h"

#include <algorithm>

namespace hi {

void THICommutator::setOutCount(std::uint16_t n) {
  if (n > 0) onEvent.resize(n);
  OutCount = static_cast<std::uint8_t>(n);
}

void THICommutator::doWork(TData& d, std::uint16_t index) {
  // Read against a scratch record rather than the event, so unconnected inputs always
  // give their defaults. The reading order Enabled, Index, InIndex is observable.
  TData scratch;
  if (readInteger(scratch, inEnabled, 1) == 0) return;
  const std::int32_t target = readInteger(scratch, inIndex, -1);
  const std::int32_t only = readInteger(scratch, inInIndex, -1);
  if (only >= 0 && only != index) return;

  const std::size_t count = std::min<std::size_t>(OutCount, onEvent.size());
  if (target >= 0) {
    const auto i = static_cast<std::size_t>(target);
    if (i < count) fireCopy(onEvent[i], d);
    return;
  }
  for (std::size_t i = 0; i < count; ++i) fireCopy(onEvent[i], d);
}

}  // namespace hi
