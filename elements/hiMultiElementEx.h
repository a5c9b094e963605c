// A container element: holds a sub-graph behind arrays of points, so that a graph can use
// the sub-graph like a single element. Calls lead to the current instance, or, without
// one, to a temporary instance that lives for that call only.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/Share.h"

namespace hi {

class THIEditMultiEx;
class THIMultiElementEx;

// One inner call of an instance in progress; lives on the stack of that call.
struct BusyFrame {
  THIEditMultiEx* instance = nullptr;
  BusyFrame* previous = nullptr;
  // Cleared when the container is destroyed while the call runs, so that leaving the
  // frame does not touch the destroyed container.
  THIMultiElementEx* container = nullptr;
};

// Builds one instance of a sub-graph and returns its edge element; the instance is owned
// through edge->innerGraph.
using MultiCreator = THIEditMultiEx* (*)(THIMultiElementEx* container, void* parentWindow,
                                         void* ownerGraph);

class THIMultiElementEx : public Element {
 public:
  explicit THIMultiElementEx(void* parent = nullptr) : parentWindow(parent) {}
  ~THIMultiElementEx() override;

  THIEditMultiEx* current = nullptr;  // where doWork and GetVar lead
  MultiCreator creator = nullptr;
  std::vector<THIEditMultiEx*> instances;  // permanent instances, in order of creation
  void* parentWindow = nullptr;
  std::uint8_t Mode = 0;      // 0: a permanent instance is built by setCreator
  BusyFrame* busy = nullptr;  // innermost inner call in progress
  std::vector<EventPoint> onEvent;
  std::vector<EventPoint> inData;
  void* ownerGraph = nullptr;

  // Set last by the graph's constructor, after every property.
  void setCreator(MultiCreator routine);

  void doWork(TData& d, std::uint16_t index);
  void GetVar(TData& d, std::uint16_t index);

 private:
  THIEditMultiEx* createInstance();
  bool isBusy(const THIEditMultiEx* instance) const;
};

}  // namespace hi
