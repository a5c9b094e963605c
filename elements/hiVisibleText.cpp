#include "elements/hiVisibleText.h"

namespace hi {

namespace {

bool isControl(unsigned char c) {
  return c < 0x20 || c == 0x7F || c == 0x98;
}

}  // namespace

void THIVisibleText::doText(TData& d) {
  const std::string text = toString(d);
  std::string shown;
  shown.reserve(text.size());
  for (const char c : text) {
    if (isControl(static_cast<unsigned char>(c))) {
      shown += Placeholder;
    } else {
      shown += c;
    }
  }
  forwardString(d, onText, shown);
}

}  // namespace hi
