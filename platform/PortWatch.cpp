#include "platform/PortWatch.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace hi {

namespace {

struct Relay {
  std::mutex mutex;
  std::vector<std::shared_ptr<void>> subscribers;  // PortWatch::Subscriber, kept alive here
};

Relay& relay() {
  static Relay r;
  return r;
}

class RelayedPortWatch final : public PortWatch {
 public:
  explicit RelayedPortWatch(Changed changed) : PortWatch(std::move(changed)) {}
  ~RelayedPortWatch() override { retire(); }
};

}  // namespace

PortWatch::PortWatch(Changed changed) : subscriber_(std::make_shared<Subscriber>()) {
  subscriber_->changed = std::move(changed);
  Relay& r = relay();
  std::lock_guard lock(r.mutex);
  r.subscribers.push_back(subscriber_);
}

PortWatch::~PortWatch() {
  retire();
  Relay& r = relay();
  std::lock_guard lock(r.mutex);
  auto& list = r.subscribers;
  list.erase(std::remove(list.begin(), list.end(), std::static_pointer_cast<void>(subscriber_)),
             list.end());
}

void PortWatch::deliver(Subscriber& s) {
  std::lock_guard lock(s.running);
  if (s.alive && s.changed) s.changed();
}

void PortWatch::report() {
  deliver(*subscriber_);
}

void PortWatch::retire() {
  std::lock_guard lock(subscriber_->running);
  subscriber_->alive = false;
}

std::unique_ptr<PortWatch> startRelayedPortWatch(PortWatch::Changed changed) {
  return std::make_unique<RelayedPortWatch>(std::move(changed));
}

void reportDevicesChanged() {
  std::vector<std::shared_ptr<void>> subscribers;
  {
    Relay& r = relay();
    std::lock_guard lock(r.mutex);
    subscribers = r.subscribers;
  }
  // Outside the relay's lock: a report may take long, and a watch may go meanwhile.
  for (const auto& s : subscribers) {
    PortWatch::deliver(*std::static_pointer_cast<PortWatch::Subscriber>(s));
  }
}

}  // namespace hi
