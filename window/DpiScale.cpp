#include "window/DpiScale.h"

#include <algorithm>
#include <cstdint>

namespace hi {

namespace {

// Floor division for either sign: pixels left of the origin round the same way as right.
long long floorDiv(long long a, long long b) {
  const long long q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

}  // namespace

int DpiScale::px(int layout) const {
  return static_cast<int>(floorDiv(static_cast<long long>(layout) * dpi_ + Base / 2, Base));
}

Rect DpiScale::px(const Rect& r) const {
  const int left = px(r.left);
  const int top = px(r.top);
  return Rect{left, top, px(r.right()) - left, px(r.bottom()) - top};
}

int DpiScale::layout(int pixels) const {
  return static_cast<int>(floorDiv(static_cast<long long>(pixels) * Base + dpi_ / 2, dpi_));
}

Rect DpiScale::layout(const Rect& r) const {
  const int left = layout(r.left);
  const int top = layout(r.top);
  return Rect{left, top, layout(r.right()) - left, layout(r.bottom()) - top};
}

Size DpiScale::layoutCovering(Size pixels) const {
  const auto up = [this](int v) {
    return static_cast<int>(-floorDiv(-static_cast<long long>(v) * Base, dpi_));
  };
  return Size{up(pixels.width), up(pixels.height)};
}

Picture resampled(const Picture& picture, int width, int height) {
  if (picture.empty() || width <= 0 || height <= 0) return {};
  if (picture.width == width && picture.height == height) return picture;
  Picture out;
  out.width = width;
  out.height = height;
  out.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  // Each target pixel covers a box of the source; sum the source pixels by covered area.
  const double sx = static_cast<double>(picture.width) / width;
  const double sy = static_cast<double>(picture.height) / height;
  for (int y = 0; y < height; ++y) {
    const double y0 = y * sy;
    const double y1 = y0 + sy;
    for (int x = 0; x < width; ++x) {
      const double x0 = x * sx;
      const double x1 = x0 + sx;
      double a = 0, r = 0, g = 0, b = 0, area = 0;
      for (int py = static_cast<int>(y0); py < std::min<double>(y1, picture.height); ++py) {
        const double wy = std::min<double>(py + 1, y1) - std::max<double>(py, y0);
        for (int px = static_cast<int>(x0); px < std::min<double>(x1, picture.width); ++px) {
          const double w = wy * (std::min<double>(px + 1, x1) - std::max<double>(px, x0));
          if (w <= 0) continue;
          const std::uint32_t p =
              picture.pixels[static_cast<std::size_t>(py) * picture.width + px];
          const double pa = (p >> 24) / 255.0;
          a += w * pa;
          r += w * pa * ((p >> 16) & 0xFF);
          g += w * pa * ((p >> 8) & 0xFF);
          b += w * pa * (p & 0xFF);
          area += w;
        }
      }
      std::uint32_t value = 0;
      if (a > 0) {
        const auto channel = [](double v) {
          return static_cast<std::uint32_t>(std::clamp(v + 0.5, 0.0, 255.0));
        };
        value = channel(255.0 * a / area) << 24 | channel(r / a) << 16 | channel(g / a) << 8 |
                channel(b / a);
      }
      out.pixels[static_cast<std::size_t>(y) * width + x] = value;
    }
  }
  return out;
}

}  // namespace hi
