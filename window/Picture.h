// Decoded pictures: what a bitmap or icon resource becomes, and what a picture control draws.
#pragma once

#include <cstdint>
#include <vector>

namespace hi {

// Rows top-down, each pixel 0xAARRGGBB (a 32-bit DIB and Qt's ARGB32 share this layout).
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;

  bool empty() const { return width <= 0 || height <= 0; }
  std::uint32_t pixel(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};

// Every size an icon holds.
struct Icon {
  std::vector<Picture> images;
  bool empty() const { return images.empty(); }
};

}  // namespace hi
