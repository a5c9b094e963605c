// Small helpers the generated schemes share.
#pragma once

#include <cstdint>

#include "elements/hiHub.h"

namespace hi {

// Sets a new hub's numbers of inputs and outputs; returns it for the scheme's field.
inline THIHub* setupHub(THIHub* hub, std::uint8_t inCount, std::uint16_t outCount) {
  hub->InCount = inCount;
  hub->setOutCount(outCount);
  return hub;
}

}  // namespace hi
