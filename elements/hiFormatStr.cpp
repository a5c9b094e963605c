#include "elements/hiFormatStr.h"

#include <algorithm>

#include "runtime/Helpers.h"

namespace hi {

namespace {

constexpr char Percent = '\0';  // stands for "%%" while placeholders are replaced
constexpr char Shield = '\1';   // put before each value so a leading digit of it cannot
                                // extend the placeholder written just before it

// Keeps "%1" from matching the start of "%10": the placeholder must not be followed by a
// digit.
bool notFollowedByDigit(void* context, const std::string& text, std::size_t p) {
  const std::size_t after = p - 1 + *static_cast<std::size_t*>(context);
  return after >= text.size() || text[after] < '0' || text[after] > '9';
}

}  // namespace

THIFormatStr::THIFormatStr(std::int32_t count)
    : Count(std::max<std::int32_t>(count, 0)), inStr(static_cast<std::size_t>(Count)) {}

void THIFormatStr::doString(TData& d) {
  std::string text = Mask;
  replaceFiltered(text, "%%", std::string_view(&Percent, 1));
  for (std::int32_t i = 1; i <= Count; ++i) {
    std::string placeholder(1, '%');
    placeholder += std::to_string(i);
    std::size_t length = placeholder.size();
    std::string value(1, Shield);
    value += readString(d, inStr[static_cast<std::size_t>(i - 1)], "");
    replaceFiltered(text, placeholder, value, notFollowedByDigit, &length);
  }
  std::erase(text, Shield);
  std::replace(text.begin(), text.end(), Percent, '%');
  result_ = text;
  forwardString(d, onFString, result_);
}

}  // namespace hi
