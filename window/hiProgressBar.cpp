#include "window/hiProgressBar.h"

#include <QPainter>
#include <algorithm>

#include "runtime/EventGate.h"
#include "window/SimpleWin.h"
#include "window/Toolkit.h"

namespace hi {

namespace {

// The block size and gap of a bar drawn in separate blocks, as the platform draws them.
constexpr int BlockGap = 2;

class BarWidget : public QWidget {
 public:
  BarWidget(THIProgressBar* owner, QWidget* parent) : QWidget(parent), owner_(owner) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const QRect area = contentsRect();
    p.fillRect(rect(), palette().color(QPalette::Window));
    const QColor bar = toQColor(owner_->BarColor);
    if (owner_->Vertical) {
      const int filled = owner_->filledLength(area.height());
      const QRect r(area.left(), area.bottom() + 1 - filled, area.width(), filled);
      drawFill(p, r, bar, area.width(), true);
    } else {
      const QRect r(area.left(), area.top(), owner_->filledLength(area.width()), area.height());
      drawFill(p, r, bar, area.height(), false);
    }
  }

 private:
  void drawFill(QPainter& p, const QRect& r, const QColor& colour, int across, bool vertical) {
    if (r.isEmpty()) return;
    if (owner_->Smooth) {
      p.fillRect(r, colour);
      return;
    }
    // Blocks about two thirds as long as the bar is thick, with a gap between them.
    const int block = std::max(across * 2 / 3, 2);
    if (vertical) {
      for (int y = r.bottom() + 1; y > r.top(); y -= block + BlockGap) {
        const int top = std::max(y - block, r.top());
        p.fillRect(QRect(r.left(), top, r.width(), y - top), colour);
      }
    } else {
      for (int x = r.left(); x <= r.right(); x += block + BlockGap) {
        p.fillRect(QRect(x, r.top(), std::min(block, r.right() + 1 - x), r.height()), colour);
      }
    }
  }

  THIProgressBar* owner_;
};

}  // namespace

bool THIProgressBar::createdSunken() const {
  // Frame3D 1 removes the bar's edge before the base set-up looks at it.
  return THIWin::createdSunken() && Frame3D != 1;
}

void THIProgressBar::init() {
  bar_ = new BarWidget(this, parentWindow() != nullptr ? parentWindow()->clientArea() : nullptr);
  setControl(bar_);
  setupControl();
}

int THIProgressBar::filledLength(int length) const {
  if (Max <= 0 || length <= 0) return 0;
  const std::int64_t pos = std::clamp<std::int64_t>(position_, 0, Max);
  return static_cast<int>(pos * length / Max);
}

void THIProgressBar::doPosition(TData& d) {
  EventGate::instance().callOnHome([&] {
    position_ = toInteger(d);
    if (control() != nullptr) bar_->update();
  });
}

}  // namespace hi
