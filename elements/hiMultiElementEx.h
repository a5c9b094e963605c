// A container element: holds a sub-graph behind arrays of points, so that a graph can use
// the sub-graph like a single element. Calls lead to the current instance, or, without
// one, to a temporary instance that lives for that call only.
#pragma once

#include <cstdint>
#include <vector>

#include "elements/hiMultiBase.h"
#include "runtime/Share.h"

namespace hi {

class THIEditMultiEx;
class THIMultiElementEx;

// Builds one instance of a sub-graph, its edge tied to the container.
using MultiCreator = MultiInstance (*)(THIMultiElementEx* container, void* parentWindow,
                                       void* ownerGraph);

class THIMultiElementEx : public Element {
 public:
  explicit THIMultiElementEx(void* parent = nullptr) : parentWindow_(parent) {}
  ~THIMultiElementEx() override;
  THIMultiElementEx(const THIMultiElementEx&) = delete;
  THIMultiElementEx& operator=(const THIMultiElementEx&) = delete;

  std::uint8_t Mode = 0;  // 0: a permanent instance is built by setCreator
  std::vector<EventPoint> onEvent;
  std::vector<EventPoint> inData;
  void* ownerGraph = nullptr;

  // Set last by the graph's constructor, after every property.
  void setCreator(MultiCreator routine);

  void doWork(TData& d, std::uint16_t index);
  void GetVar(TData& d, std::uint16_t index);

  // The current instance as its own class, for tests and tools that look inside; none
  // without a current instance or when it is of another class.
  template <class Graph>
  Graph* currentGraph() const {
    return current_ != nullptr ? dynamic_cast<Graph*>(current_->innerGraph) : nullptr;
  }

  // Marks an inner call of `instance` (doEvent, GetData of its edge) as running for as long
  // as it lives, so that the container is not destroyed under it. The container may be
  // destroyed meanwhile; the call then ends without touching it.
  class InnerCall {
   public:
    InnerCall(THIEditMultiEx* instance, THIMultiElementEx& container);
    ~InnerCall();
    InnerCall(const InnerCall&) = delete;
    InnerCall& operator=(const InnerCall&) = delete;

   private:
    friend class THIMultiElementEx;
    THIEditMultiEx* instance_;
    InnerCall* previous_;
    THIMultiElementEx* container_;  // none once the container is destroyed
  };

 private:
  MultiInstance createInstance();
  bool isBusy(const THIEditMultiEx* instance) const;

  THIEditMultiEx* current_ = nullptr;  // where doWork and GetVar lead
  MultiCreator creator_ = nullptr;
  std::vector<MultiInstance> instances_;  // permanent instances, in order of creation
  void* parentWindow_;
  InnerCall* busy_ = nullptr;  // innermost inner call in progress
};

}  // namespace hi
