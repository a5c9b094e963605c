// The root of every element class: schemes own their elements through it and destroy them
// in the reverse of their creation order.
#pragma once

namespace hi {

class Element {
 public:
  Element() = default;
  virtual ~Element() = default;
  Element(const Element&) = delete;
  Element& operator=(const Element&) = delete;
};

}  // namespace hi
