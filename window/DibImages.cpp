#include "window/DibImages.h"

#include <bit>

namespace hi {

namespace {

std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at) {
  if (at + 4 > b.size()) return 0;
  return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
         (static_cast<std::uint32_t>(b[at + 2]) << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::uint16_t le16(std::span<const std::uint8_t> b, std::size_t at) {
  if (at + 2 > b.size()) return 0;
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

// The 8-bit channel that `mask` selects, or `otherwise` without a mask.
std::uint32_t channel(std::uint32_t value, std::uint32_t mask, std::uint32_t otherwise) {
  if (mask == 0) return otherwise;
  const std::uint32_t v = (value & mask) >> std::countr_zero(mask);
  const std::uint32_t top = mask >> std::countr_zero(mask);
  return top == 0xFF ? v : v * 255 / top;
}

// A DIB: its info header at `header`, its pixels at `bits`; `rows` overrides the header's
// height (an icon's header counts its mask rows too).
Picture decodeDib(std::span<const std::uint8_t> b, std::size_t header, std::size_t bits,
                  int rows) {
  const std::uint32_t headerSize = le32(b, header);
  const auto width = static_cast<std::int32_t>(le32(b, header + 4));
  const auto height = static_cast<std::int32_t>(le32(b, header + 8));
  const int depth = le16(b, header + 14);
  const std::uint32_t compression = le32(b, header + 16);
  if (headerSize < 40 || width <= 0 || height == 0 || width > 16384) return {};
  if (depth != 24 && depth != 32) return {};
  std::uint32_t red = 0x00FF0000, green = 0x0000FF00, blue = 0x000000FF, alpha = 0;
  if (compression == 3) {  // bit fields: after a 40-byte header, else inside it
    red = le32(b, header + 40);
    green = le32(b, header + 44);
    blue = le32(b, header + 48);
    if (headerSize >= 56) alpha = le32(b, header + 52);
  } else if (compression != 0) {
    return {};
  } else if (depth == 32) {
    alpha = 0xFF000000;
  }
  const bool bottomUp = height > 0;
  const int h = rows > 0 ? rows : (bottomUp ? height : -height);
  if (h > 16384) return {};
  const std::size_t stride = ((static_cast<std::size_t>(width) * depth + 31) / 32) * 4;
  if (bits + stride * static_cast<std::size_t>(h) > b.size()) return {};
  Picture p;
  p.width = width;
  p.height = h;
  p.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(h));
  for (int y = 0; y < h; ++y) {
    const std::size_t row = bits + stride * static_cast<std::size_t>(bottomUp ? h - 1 - y : y);
    for (int x = 0; x < width; ++x) {
      std::uint32_t v;
      if (depth == 32) {
        v = le32(b, row + static_cast<std::size_t>(x) * 4);
      } else {
        const std::size_t at = row + static_cast<std::size_t>(x) * 3;
        v = b[at] | (b[at + 1] << 8) | (static_cast<std::uint32_t>(b[at + 2]) << 16);
      }
      p.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
               static_cast<std::size_t>(x)] =
          (channel(v, alpha, 0xFF) << 24) | (channel(v, red, 0) << 16) |
          (channel(v, green, 0) << 8) | channel(v, blue, 0);
    }
  }
  return p;
}

}  // namespace

Picture decodeBmp(std::span<const std::uint8_t> file) {
  if (file.size() < 54 || file[0] != 'B' || file[1] != 'M') return {};
  return decodeDib(file, 14, le32(file, 10), 0);
}

Icon decodeIco(std::span<const std::uint8_t> file) {
  Icon icon;
  if (file.size() < 6 || le16(file, 0) != 0 || le16(file, 2) != 1) return icon;
  const int count = le16(file, 4);
  for (int i = 0; i < count; ++i) {
    const std::size_t entry = 6 + 16 * static_cast<std::size_t>(i);
    const std::size_t at = le32(file, entry + 12);
    if (entry + 16 > file.size() || at + 40 > file.size()) break;
    const auto dibHeight = static_cast<std::int32_t>(le32(file, at + 8));
    // The colour rows come first; the mask rows after them are not needed at 32 bits.
    Picture p = decodeDib(file, at, at + le32(file, at), dibHeight / 2);
    if (!p.empty()) icon.images.push_back(std::move(p));
  }
  return icon;
}

}  // namespace hi
