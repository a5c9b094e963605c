#include "elements/hiFor.h"

namespace hi {

void THIFor::doFor(TData& d) {
  if (InData == 0) makeNull(d);
  stopFlag = 0;
  const std::int32_t first = readInteger(d, inStart, Start);  // Start is read first
  const std::int32_t last = readInteger(d, inEnd, End);

  // Counted in 64 bits: a bound at the edge of the 32-bit range ends the loop when the
  // next step would leave the range, instead of wrapping around and looping forever, and
  // an excluded End at the edge leaves no loop value rather than wrapping to the other end.
  std::int64_t v = first;
  std::int64_t e = last;
  const std::int64_t step = Step;
  if (step > 0) {
    if (IncludeEnd == 0) --e;
    while (v <= e) {
      value = static_cast<std::int32_t>(v);
      fireInteger(onEvent, value);
      if (stopFlag != 0) break;
      v += step;
    }
  } else if (step < 0) {
    if (IncludeEnd == 0) ++e;
    while (v >= e) {
      value = static_cast<std::int32_t>(v);
      fireInteger(onEvent, value);
      if (stopFlag != 0) break;
      v += step;
    }
  }
  // One step past the last loop value; past the 32-bit range it keeps the low 32 bits, the
  // value a 32-bit loop register would hold.
  value = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));

  if (stopFlag != 0 && BreakEvent != 0) {
    forwardNull(d, onBreak);
  } else {
    forwardInteger(d, onStop, value);
  }
}

void THIFor::doStop(TData& /*d*/) {
  stopFlag = 1;
}

}  // namespace hi
