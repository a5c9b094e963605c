#include "elements/hiCase.h"

#include "runtime/If_arg.h"

namespace hi {

void THICase::doCase(TData& d) {
  TData incoming = d;
  const TData first = popValue(d);
  // Both ways are nested firings; the record stays as the pop left it.
  if (compareValues(first, Value, cmpEqual)) {
    fireCopy(onTrue, DataOnTrue);
  } else {
    fireEvent(onNextCase, incoming);
  }
}

}  // namespace hi
