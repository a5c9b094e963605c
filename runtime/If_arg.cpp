#include "runtime/If_arg.h"

#include "runtime/Helpers.h"

namespace hi {

namespace {

// Applies a mode to the sign of (a - b): negative, zero or positive.
bool holds(int order, std::uint8_t mode) {
  switch (mode) {
    case cmpEqual: return order == 0;
    case cmpLess: return order < 0;
    case cmpGreater: return order > 0;
    case cmpLessOrEqual: return order <= 0;
    case cmpGreaterOrEqual: return order >= 0;
    case cmpNotEqual: return order != 0;
    default: return false;
  }
}

template <class T>
int order(T a, T b) {
  return (a < b) ? -1 : (b < a ? 1 : 0);
}

}  // namespace

bool compareValues(const TData& a, const TData& b, std::uint8_t mode) {
  switch (a.type) {
    case dtNull:
      return b.type == dtNull;
    case dtInteger:
      return holds(order(a.integer, toInteger(b)), mode);
    case dtString: {
      const std::string right = toString(b);
      // Equality is byte for byte and case matters; ordering ignores ASCII letter case.
      if (mode == cmpEqual) return a.text == right;
      if (mode == cmpNotEqual) return a.text != right;
      return holds(compareTextNoCase(a.text, right), mode);
    }
    case dtReal: {
      const double x = a.real;
      const double y = toReal(b);
      // Spelled out so that NaN compares false everywhere except "differs".
      switch (mode) {
        case cmpEqual: return x == y;
        case cmpLess: return x < y;
        case cmpGreater: return x > y;
        case cmpLessOrEqual: return x <= y;
        case cmpGreaterOrEqual: return x >= y;
        case cmpNotEqual: return x != y;
        default: return false;
      }
    }
    default:
      return false;
  }
}

}  // namespace hi
