// The edge element inside each instance of a container's sub-graph: the container's input
// points come in as onWork, the inside's sources go out as Var, and the inner points
// doEvent and GetData lead back out to the container's onEvent and Data.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/Share.h"

namespace hi {

class THIMultiElementEx;
class TClassMultiBase;

class THIEditMultiEx : public Element {
 public:
  THIMultiElementEx* container = nullptr;  // none once the container is gone
  TClassMultiBase* innerGraph = nullptr;   // destroying it destroys this instance
  std::vector<EventPoint> onWork;          // one per container input point
  std::vector<EventPoint> Var;             // one per container data output

  // Inner input point: fires the container's onEvent entry `index`.
  void doEvent(TData& d, std::uint16_t index);
  // Inner data output: reads the container's Data entry `index`, Break if it has none.
  void GetData(TData& d, std::uint16_t index);
};

}  // namespace hi
