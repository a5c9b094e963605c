#include "elements/hiMultiBase.h"

#include "elements/hiEditMultiEx.h"

namespace hi {

THIEditMultiEx* TClassMultiBase::createEdge(std::size_t workCount, std::size_t varCount) {
  edge = create<THIEditMultiEx>();
  edge->onWork.resize(workCount);
  edge->Var.resize(varCount);
  edge->innerGraph = this;
  return edge;
}

}  // namespace hi
