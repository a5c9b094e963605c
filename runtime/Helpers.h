// Small shared helpers of the runtime unit that need no window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace hi {

// Compares as zero-terminated texts, folding only ASCII a-z to A-Z. Returns the difference
// of the first differing folded bytes taken as unsigned, or 0.
int compareTextNoCase(std::string_view a, std::string_view b);

// 1-based position of the first occurrence of `sub` in `text` at or after the 1-based
// position `start`; 0 if there is none or `sub` is empty.
std::size_t findFrom(std::string_view text, std::string_view sub, std::size_t start = 1);

// Offered each occurrence at the 1-based position p of the text being edited; answers
// whether to replace it.
using ReplaceFilter = bool (*)(void* context, const std::string& text, std::size_t p);

// Replaces occurrences of `sub` by `replacement` from left to right. Searching goes on
// right after an inserted replacement, or at p + 1 when the filter refuses p.
void replaceFiltered(std::string& text, std::string_view sub, std::string_view replacement,
                     ReplaceFilter filter = nullptr, void* context = nullptr);

// Font style bits used by the window layer.
inline constexpr std::uint8_t FontBold = 1;
inline constexpr std::uint8_t FontItalic = 2;
inline constexpr std::uint8_t FontUnderline = 4;
inline constexpr std::uint8_t FontStrikeOut = 8;

struct TFontRec {
  std::string Name;
  std::uint8_t Size = 0;   // points
  std::uint8_t Style = 0;  // FontBold | FontItalic | ...
  std::uint32_t Color = 0;
  std::uint8_t Charset = 0;
};

TFontRec makeFontRec(std::string_view name, std::uint8_t size, std::uint8_t style,
                     std::uint32_t color, std::uint8_t charset);

// (size x pixels-per-inch + 36) / -72, truncated toward zero. The pixels per inch come from
// the platform once (see setPixelsPerInchSource) and are kept.
int fontHeightFromPoints(int size);

}  // namespace hi
