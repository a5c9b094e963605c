#include "window/hiProgressBar.h"

#include <algorithm>

namespace hi {

int filledLength(std::int32_t position, std::int32_t max, int length) {
  if (max <= 0 || length <= 0) return 0;
  const std::int64_t pos = std::clamp<std::int64_t>(position, 0, max);
  return static_cast<int>(pos * length / max);
}

bool THIProgressBar::createdSunken() const {
  // Frame3D 1 removes the bar's edge before the base set-up looks at it.
  return THIWin::createdSunken() && Frame3D != 1;
}

void THIProgressBar::init() {
  ProgressDriver* bar =
      adopt(newProgressDriver(parentDriver(), *this, ProgressStyle{Vertical != 0, Smooth != 0}));
  bar->setRange(Max);
  bar->setBarColor(BarColor);
  bar->setPosition(position_);
  setupControl();
}

void THIProgressBar::doPosition(TData& d) {
  // The bar fires nothing and the graph never reads the position back: the caller need not
  // wait for the screen.
  showLater(0, [this, position = toInteger(d)] {
    position_ = position;
    if (driver() != nullptr) static_cast<ProgressDriver*>(driver())->setPosition(position_);
  });
}

}  // namespace hi
