// The base of every generated sub-graph class: one object is one instance of a container's
// sub-graph and owns all of its elements.
#pragma once

#include <cstddef>
#include <memory>

#include "elements/hiEditMultiEx.h"
#include "runtime/Scheme.h"

namespace hi {

class THIMultiElementEx;

class TClassMultiBase : public Scheme {
 public:
  // Only constructs: the generated class creates its edge element first, then the rest.
  TClassMultiBase(void* /*ownerGraph*/, void* /*parentWindow*/) {}

  // The instance's edge element; created first, so it is destroyed last.
  THIEditMultiEx* edge = nullptr;

 protected:
  // Creates the edge element with room for the container's input points and data outputs.
  THIEditMultiEx* createEdge(std::size_t workCount, std::size_t varCount);
};

// One instance of a sub-graph; destroying it destroys all of its elements, the edge last.
using MultiInstance = std::unique_ptr<TClassMultiBase>;

// The creation routine of a generated sub-graph class Graph, constructed as
// Graph(ownerGraph, parentWindow): builds one instance and ties its edge to the container.
template <class Graph>
MultiInstance createMultiInstance(THIMultiElementEx* container, void* parentWindow,
                                  void* ownerGraph) {
  auto graph = std::make_unique<Graph>(ownerGraph, parentWindow);
  if (graph->edge == nullptr) return nullptr;
  graph->edge->container = container;
  graph->edge->innerGraph = graph.get();
  return graph;
}

}  // namespace hi
