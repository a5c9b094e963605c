#include "elements/hiStrCat.h"

namespace hi {

void THIStrCat::doStrCat(TData& d) {
  std::string first = readString(d, inStr1, Str1);
  const std::string second = readString(d, inStr2, Str2);
  result_ = std::move(first) + second;
  forwardString(d, onStrCat, result_);
}

}  // namespace hi
