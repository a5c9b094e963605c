// The layout of a window's docked children.
#pragma once

#include <cstdint>
#include <vector>

#include "window/Geometry.h"

namespace hi {

enum Align : std::uint8_t {
  alNone = 0,
  alLeft = 1,
  alTop = 2,
  alRight = 3,
  alBottom = 4,
  alClient = 5,
};

struct DockItem {
  std::uint8_t align = alNone;
  bool visible = true;
  Rect bounds;  // in: current bounds; out: docked bounds
};

// Places the visible docked items, in the given (creation) order, in three passes: top and
// bottom, then left and right, then client. `margin` is kept around every docked item.
// Sizes that would become negative become 0.
void dockLayout(const Rect& client, int margin, std::vector<DockItem>& items);

}  // namespace hi
