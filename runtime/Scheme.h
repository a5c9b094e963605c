// Ownership of a graph's elements: created in a fixed order, destroyed in the reverse order.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "runtime/Element.h"
#include "runtime/EventGate.h"

namespace hi {

class Scheme {
 public:
  Scheme() = default;
  virtual ~Scheme() { destroyElements(); }
  Scheme(const Scheme&) = delete;
  Scheme& operator=(const Scheme&) = delete;

  std::size_t elementCount() const { return elements_.size(); }

 protected:
  // Creates the next element of the graph; the scheme keeps it until destruction.
  template <class T, class... Args>
  T* create(Args&&... args) {
    auto element = std::make_unique<T>(std::forward<Args>(args)...);
    T* raw = element.get();
    elements_.push_back(std::move(element));
    return raw;
  }

  // Destroys every element, the last created first. Derived schemes whose elements need
  // the derived part alive while they go call this from their own destructor.
  void destroyElements() {
    // No event may run through the elements while they go: a timer tick or a received chunk
    // that entered the graph before the runtime was switched off may still be on its way.
    // Threads that wait for the gate meanwhile are ended by their elements' destructors.
    EventScope noEvents;
    while (!elements_.empty()) elements_.pop_back();
  }

 private:
  std::vector<std::unique_ptr<Element>> elements_;
};

}  // namespace hi
