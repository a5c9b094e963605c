// Joins two texts.
#pragma once

#include <string>

#include "runtime/Element.h"
#include "runtime/Points.h"

namespace hi {

class THIStrCat : public Element {
 public:
  std::string Str1;  // fallback of inStr1
  std::string Str2;  // fallback of inStr2

  EventPoint onStrCat;
  EventPoint inStr1;
  EventPoint inStr2;

  void doStrCat(TData& d);

  const std::string& result() const { return result_; }

 private:
  std::string result_;
};

}  // namespace hi
