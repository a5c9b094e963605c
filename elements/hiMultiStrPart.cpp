#include "elements/hiMultiStrPart.h"

#include <algorithm>
#include <string_view>

namespace hi {

namespace {

// Cuts the next part off `rest`. The earliest occurrence of any character of the delimiter
// marks the cut (looking no further than the first zero byte), and as many characters as
// the delimiter has are dropped there.
std::string takePart(std::string& rest, std::string_view delimiter) {
  const std::string_view searchable(rest.data(), std::min(rest.find('\0'), rest.size()));
  std::size_t cut = rest.size();
  for (char c : delimiter) cut = std::min(cut, searchable.find(c));
  std::string part = rest.substr(0, cut);
  const std::size_t next = cut + delimiter.size();
  rest = next < rest.size() ? rest.substr(next) : std::string();
  return part;
}

}  // namespace

THIMultiStrPart::THIMultiStrPart(std::int32_t count)
    : Count(std::max<std::int32_t>(count, 0)), parts_(static_cast<std::size_t>(Count)) {}

void THIMultiStrPart::doSplit(TData& d) {
  for (auto& part : parts_) part.clear();
  std::string rest = readString(d, inStr, "");
  if (Char.empty() || rest.find(Char) == std::string::npos) {
    forwardString(d, onNotFound, rest);
    return;
  }
  for (std::int32_t i = 0; i < Skip; ++i) takePart(rest, Char);
  for (auto& part : parts_) part = takePart(rest, Char);
  forwardString(d, onSplit, rest);
}

void THIMultiStrPart::Part(TData& d, std::uint16_t index) {
  if (index < parts_.size()) makeString(d, parts_[index]);
}

}  // namespace hi
