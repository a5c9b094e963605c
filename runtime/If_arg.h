// Comparison of two values under a comparison mode.
#pragma once

#include <cstdint>

#include "runtime/Data.h"

namespace hi {

enum CompareMode : std::uint8_t {
  cmpEqual = 0,
  cmpLess = 1,
  cmpGreater = 2,
  cmpLessOrEqual = 3,
  cmpGreaterOrEqual = 4,
  cmpNotEqual = 5,
};

// The left value's tag chooses integer, text or real comparison; see If_arg.cpp.
bool compareValues(const TData& a, const TData& b, std::uint8_t mode);

}  // namespace hi
