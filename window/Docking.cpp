#include "window/Docking.h"

#include <algorithm>

namespace hi {

namespace {

Rect makeRect(int left, int top, int width, int height) {
  return Rect{left, top, std::max(width, 0), std::max(height, 0)};
}

}  // namespace

void dockLayout(const Rect& client, int margin, std::vector<DockItem>& items) {
  // The free area as edges; right and bottom are exclusive.
  int left = client.left;
  int top = client.top;
  int right = client.right();
  int bottom = client.bottom();
  const int m = margin;

  for (DockItem& it : items) {
    if (!it.visible) continue;
    const int h = it.bounds.height;
    if (it.align == alTop) {
      it.bounds = makeRect(left + m, top + m, right - left - 2 * m, h);
      top += h + m;
    } else if (it.align == alBottom) {
      it.bounds = makeRect(left + m, bottom - m - h, right - left - 2 * m, h);
      bottom -= h + m;
    }
  }
  for (DockItem& it : items) {
    if (!it.visible) continue;
    const int w = it.bounds.width;
    if (it.align == alLeft) {
      it.bounds = makeRect(left + m, top + m, w, bottom - top - 2 * m);
      left += w + m;
    } else if (it.align == alRight) {
      it.bounds = makeRect(right - m - w, top + m, w, bottom - top - 2 * m);
      right -= w + m;
    }
  }
  for (DockItem& it : items) {
    if (it.visible && it.align == alClient) {
      it.bounds = makeRect(left + m, top + m, right - left - 2 * m, bottom - top - 2 * m);
    }
  }
}

}  // namespace hi
