// The window elements lay out at 96 pixels per inch; a driver on a display of another
// density asks this for the pixels to use. Edges, not sizes, are scaled, so that controls
// that touch at 96 DPI still touch, and a scaled window holds its scaled controls exactly.
#pragma once

#include "window/Geometry.h"
#include "window/Picture.h"

namespace hi {

class DpiScale {
 public:
  static constexpr int Base = 96;

  explicit DpiScale(int dpi = Base) : dpi_(dpi > 0 ? dpi : Base) {}
  int dpi() const { return dpi_; }
  bool identity() const { return dpi_ == Base; }

  // A layout value (a position or an edge) in pixels, to the nearest (halves up).
  int px(int layout) const;
  Point px(Point p) const { return {px(p.x), px(p.y)}; }
  // A size that starts at the origin, as a window's inner size.
  Size px(Size s) const { return {px(s.width), px(s.height)}; }
  Rect px(const Rect& r) const;

  // Pixels back into layout values (mouse positions, the client area): the nearest value.
  int layout(int pixels) const;
  Point layout(Point p) const { return {layout(p.x), layout(p.y)}; }
  Rect layout(const Rect& r) const;
  // A measured extent in layout values that still holds it once scaled: rounded up.
  Size layoutCovering(Size pixels) const;

 private:
  int dpi_;
};

// The picture resampled to a size by area averaging (alpha weighted), for icons and pictures
// that must be drawn smooth at a size the resources do not hold.
Picture resampled(const Picture& picture, int width, int height);

}  // namespace hi
