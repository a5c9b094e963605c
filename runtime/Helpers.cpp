#include "runtime/Helpers.h"

#include "runtime/Seams.h"

namespace hi {

namespace {

unsigned char foldAscii(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }

}  // namespace

int compareTextNoCase(std::string_view a, std::string_view b) {
  // Zero-terminated semantics: a text ends at its first zero byte.
  for (std::size_t i = 0;; ++i) {
    const unsigned char ca = i < a.size() ? foldAscii(static_cast<unsigned char>(a[i])) : 0;
    const unsigned char cb = i < b.size() ? foldAscii(static_cast<unsigned char>(b[i])) : 0;
    if (ca != cb) return static_cast<int>(ca) - static_cast<int>(cb);
    if (cb == 0) return 0;
  }
}

std::size_t findFrom(std::string_view text, std::string_view sub, std::size_t start) {
  if (sub.empty() || start == 0) return 0;
  const std::size_t found = text.find(sub, start - 1);
  return found == std::string_view::npos ? 0 : found + 1;
}

void replaceFiltered(std::string& text, std::string_view sub, std::string_view replacement,
                     ReplaceFilter filter, void* context) {
  if (sub.empty()) return;
  std::size_t p = findFrom(text, sub, 1);
  while (p != 0) {
    if (filter == nullptr || filter(context, text, p)) {
      text.replace(p - 1, sub.size(), replacement);
      p = findFrom(text, sub, p + replacement.size());
    } else {
      p = findFrom(text, sub, p + 1);
    }
  }
}

TFontRec makeFontRec(std::string_view name, std::uint8_t size, std::uint8_t style,
                     std::uint32_t color, std::uint8_t charset) {
  return TFontRec{std::string(name), size, style, color, charset};
}

int fontHeightFromPoints(int size) { return (size * screenPixelsPerInch() + 36) / -72; }

}  // namespace hi
