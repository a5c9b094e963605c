#include "elements/GateEndWait.h"

#include "runtime/EventGate.h"

namespace hi {

namespace {

class GateEndWait final : public PeriodicTimer::EndWait {
 public:
  void waitUntil(const std::function<bool()>& done) const override {
    auto& gate = EventGate::instance();
    gate.interruptWaits();
    // A plain join could deadlock: the tick may be waiting for the home thread.
    gate.waitUntil(done);
  }
  void notify() const override { EventGate::instance().notify(); }
};

}  // namespace

const PeriodicTimer::EndWait& gateEndWait() {
  static const GateEndWait wait;
  return wait;
}

}  // namespace hi
