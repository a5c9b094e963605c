#include "elements/hiCounter.h"

namespace hi {

namespace {

// 32-bit wrap-around without signed overflow.
std::int32_t wrapAdd(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

std::int32_t wrapSub(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

}  // namespace

void THICounter::doNext(TData& d) {
  if (Direction == 0) {
    count = wrapAdd(count, Step);
    if (count > Max) count = Min;
  } else {
    count = wrapSub(count, Step);
    if (count < Min) count = Max;
  }
  forwardInteger(d, onNext, count);
}

void THICounter::doReset(TData& /*d*/) {
  count = Direction == 0 ? Min : Max;
}

void THICounter::Count(TData& d, std::uint16_t /*index*/) {
  makeInteger(d, count);
}

}  // namespace hi
