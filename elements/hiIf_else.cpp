#include "elements/hiIf_else.h"

#include "runtime/If_arg.h"

namespace hi {

void THIIf_else::doCompare(TData& d) {
  const TData incoming = d;
  // Op1 is read first, so with both inputs unconnected and zero defaults Op1 takes the
  // event's first value and Op2 the second.
  const TData a = readValue(d, inOp1, &Op1);
  const TData b = readValue(d, inOp2, &Op2);
  forwardTo(d, compareValues(a, b, Type) ? onTrue : onFalse, incoming);
}

}  // namespace hi
