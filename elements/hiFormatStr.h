// Fills the numbered placeholders %1..%N of a template; "%%" stands for one "%".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/Element.h"
#include "runtime/Points.h"

namespace hi {

class THIFormatStr : public Element {
 public:
  explicit THIFormatStr(std::int32_t count);

  std::string Mask;
  const std::int32_t Count;  // number of placeholders and data inputs, fixed at construction

  EventPoint onFString;
  std::vector<EventPoint> inStr;  // Str1..StrN, each without fallback

  void doString(TData& d);

  const std::string& result() const { return result_; }

 private:
  std::string result_;
};

}  // namespace hi
