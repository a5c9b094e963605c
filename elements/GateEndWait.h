// How an element that owns a PeriodicTimer waits for its thread to end: through the event
// gate, so that a tick waiting for the graph gives up and one carrying window calls to the
// home thread gets them run.
#pragma once

#include "platform/PeriodicTimer.h"

namespace hi {

const PeriodicTimer::EndWait& gateEndWait();

}  // namespace hi
