#include "elements/hiStrMask.h"

#include "runtime/Cp1251.h"

namespace hi {

namespace {

bool charMatches(char m, char t) {
  if (m == '#') return t >= '0' && t <= '9';
  if (m == '?') return t != '\0';
  return m == t;
}

}  // namespace

// Each "*" may take any run of the text; the last "*" seen is retried one character further
// whenever the rest fails. This gives the same answers as trying every split recursively,
// in time proportional to text length times mask length instead of exponential time.
bool maskMatches(std::string_view text, std::string_view mask) {
  std::size_t i = 0;
  std::size_t j = 0;
  std::size_t star = std::string_view::npos;
  std::size_t resume = 0;
  while (i < text.size()) {
    if (j < mask.size() && mask[j] == '*') {
      star = j++;
      resume = i;
    } else if (j < mask.size() && charMatches(mask[j], text[i])) {
      ++i;
      ++j;
    } else if (star != std::string_view::npos) {
      j = star + 1;
      i = ++resume;
    } else {
      return false;
    }
  }
  while (j < mask.size() && mask[j] == '*') ++j;
  return j == mask.size();
}

void THIStrMask::doCompare(TData& d) {
  const std::string text = readString(d, inText, "");
  // The end marker on both sides: "?" cannot take the end of the text, and the mask's end
  // must meet the text's end.
  std::string t = text + '\0';
  std::string m = Mask + '\0';
  if (IgnoreCase == 1) {
    t = cp1251ToLower(t);
    m = cp1251ToLower(m);
  }
  forwardString(d, maskMatches(t, m) ? onTrue : onFalse, text);
}

void THIStrMask::doMask(TData& d) {
  Mask = toString(d);
}

}  // namespace hi
