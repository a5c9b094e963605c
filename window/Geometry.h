// Points, sizes and rectangles in pixels, as the window elements and their drivers share them.
#pragma once

namespace hi {

struct Point {
  int x = 0;
  int y = 0;
  bool operator==(const Point&) const = default;
};

struct Size {
  int width = 0;
  int height = 0;
  bool operator==(const Size&) const = default;
};

// Right and bottom are exclusive: a rectangle at 0, 0 of width 10 ends before x = 10.
struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;

  int right() const { return left + width; }
  int bottom() const { return top + height; }
  Point topLeft() const { return {left, top}; }
  Size size() const { return {width, height}; }
  bool empty() const { return width <= 0 || height <= 0; }
  bool operator==(const Rect&) const = default;
};

}  // namespace hi
